#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <functional>

// A small HTTP/1.1 server on 127.0.0.1 for download tests. Each path answers with a canned
// response; unknown paths get 404. Every connection serves one request and is then closed.
//
//   HttpTestServer server;
//   QVERIFY(server.listen());
//   server.setResponse("/page", {200, {{"Content-Type", "text/html"}}, body});
//   QUrl url = server.url("/page");
//   ... later: QCOMPARE(server.requestCount("/page"), 1);
//
// Runs in the event loop of the thread that created it, so a test that creates it must spin
// its loop (QTRY_*, QSignalSpy wait) while a request is in flight.
class HttpTestServer : public QObject {
    Q_OBJECT
public:
    struct Response {
        int status = 200;
        // Sent as given. Content-Length is added from `body` unless it is among them, or the
        // body is endless, chunked or taken from `bodySource`.
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        // Wait this long after the request before sending anything.
        int delayMs = 0;
        // Send `body` over and over until the client hangs up.
        bool endlessBody = false;
        // When set, sent as the whole response, status line and framing included, as it is.
        QByteArray raw = QByteArray();
        // End the connection with a reset (RST) once the response is written, not a close.
        bool resetAfter = false;
        // Frame the body in chunks (Transfer-Encoding: chunked).
        bool chunked = false;
        // When set, the body comes from here a piece at a time as the client takes it, in
        // place of `body` (a body too large to hold): each request starts from a copy, and an
        // empty piece ends the body.
        std::function<QByteArray()> bodySource = {};
        // Send the body one byte at a time, this many milliseconds apart.
        int trickleMs = 0;
    };

    explicit HttpTestServer(QObject *parent = nullptr);

    // Listens on 127.0.0.1 at a free port.
    bool listen();
    quint16 port() const;
    // http://127.0.0.1:<port><path>
    QUrl url(const QString &path) const;

    void setResponse(const QString &path, const Response &response);

    // Requests received for `path` (its path part, query ignored), or for all paths when empty.
    int requestCount(const QString &path = QString()) const;
    // Connections closed by the client before its response was sent whole.
    int abandonedCount() const { return m_abandoned; }

    // A loopback port on which nothing listens: connecting to it is refused.
    static quint16 refusedPort();

private:
    void serve(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const Response &response);
    void sendBody(QTcpSocket *socket, const Response &response);

    QTcpServer m_server;
    QHash<QString, Response> m_responses;
    QHash<QString, int> m_requests;
    int m_abandoned = 0;
};
