#include "HttpTestServer.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <utility>

#include <sys/socket.h>

HttpTestServer::HttpTestServer(QObject *parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection())
            serve(socket);
    });
}

bool HttpTestServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

quint16 HttpTestServer::port() const
{
    return m_server.serverPort();
}

QUrl HttpTestServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
}

void HttpTestServer::setResponse(const QString &path, const Response &response)
{
    m_responses.insert(path, response);
}

int HttpTestServer::requestCount(const QString &path) const
{
    if (path.isEmpty()) {
        int total = 0;
        for (int n : m_requests)
            total += n;
        return total;
    }
    return m_requests.value(path);
}

quint16 HttpTestServer::refusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void HttpTestServer::serve(QTcpSocket *socket)
{
    socket->setParent(this);
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        if (!socket->property("complete").toBool())
            ++m_abandoned;
        socket->deleteLater();
    });
    auto request = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
        if (socket->property("answered").toBool()) {
            socket->readAll();
            return;
        }
        request->append(socket->readAll());
        if (!request->contains("\r\n\r\n"))
            return;
        socket->setProperty("answered", true);
        // "GET /path?query HTTP/1.1"
        const QList<QByteArray> requestLine = request->left(request->indexOf("\r\n")).split(' ');
        const QString target = requestLine.size() > 1 ? QString::fromLatin1(requestLine[1]) : QString();
        const QString path = QUrl(target).path();
        m_requests[path] += 1;
        const Response response = m_responses.value(path, Response{404, {}, QByteArrayLiteral("Not Found")});
        if (response.delayMs > 0)
            QTimer::singleShot(response.delayMs, socket, [this, socket, response] { respond(socket, response); });
        else
            respond(socket, response);
    });
}

void HttpTestServer::respond(QTcpSocket *socket, const Response &response)
{
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (!response.raw.isEmpty()) {
        socket->write(response.raw);
        connect(socket, &QTcpSocket::bytesWritten, socket, [socket, reset = response.resetAfter] {
            if (socket->bytesToWrite() > 0)
                return;
            socket->setProperty("complete", true);
            if (reset) {
                // A zero linger time makes close() send RST instead of FIN.
                const struct linger now = {1, 0};
                ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
                socket->abort();
            } else {
                socket->disconnectFromHost();
            }
        });
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
    bool hasLength = false;
    for (const auto &[name, value] : response.headers) {
        head += name + ": " + value + "\r\n";
        hasLength = hasLength || name.compare("Content-Length", Qt::CaseInsensitive) == 0;
    }
    if (response.chunked)
        head += "Transfer-Encoding: chunked\r\n";
    else if (!hasLength && !response.endlessBody && !response.bodySource)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    sendBody(socket, response);
}

void HttpTestServer::sendBody(QTcpSocket *socket, const Response &response)
{
    std::function<QByteArray()> next = response.bodySource;
    if (!next && response.endlessBody) {
        const QByteArray piece = response.body.isEmpty() ? QByteArray(64 * 1024, 'x') : response.body;
        next = [piece] { return piece; };
    } else if (!next) {
        next = [body = response.body, sent = false]() mutable { return std::exchange(sent, true) ? QByteArray() : body; };
    }
    const bool chunked = response.chunked;
    const auto frame = [chunked](const QByteArray &piece) {
        return chunked ? QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n" : piece;
    };
    // Ends the body once written: a last chunk, then a close once the client has it all.
    const auto end = [socket, chunked] {
        if (chunked)
            socket->write("0\r\n\r\n");
        const auto closeWhenSent = [socket] {
            if (socket->bytesToWrite() == 0) {
                socket->setProperty("complete", true);
                socket->disconnectFromHost();
            }
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, closeWhenSent);
        closeWhenSent();
    };

    if (response.trickleMs > 0) {
        auto *trickle = new QTimer(socket);
        auto pending = std::make_shared<QByteArray>();
        connect(trickle, &QTimer::timeout, socket, [=]() mutable {
            if (pending->isEmpty())
                *pending = next();
            if (pending->isEmpty()) {
                trickle->stop();
                return end();
            }
            socket->write(frame(pending->left(1)));
            pending->remove(0, 1);
        });
        trickle->start(response.trickleMs);
        return;
    }

    // Keeps a little of the body in flight, taking more as the client reads it.
    struct Pump {
        std::function<QByteArray()> next;
        bool ended = false;
    };
    auto pump = std::make_shared<Pump>(Pump{std::move(next)});
    const auto fill = [socket, pump, frame, end] {
        while (!pump->ended && socket->bytesToWrite() < 256 * 1024) {
            const QByteArray piece = pump->next();
            if (piece.isEmpty()) {
                pump->ended = true;
                end();
            } else {
                socket->write(frame(piece));
            }
        }
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, fill);
    fill();
}
