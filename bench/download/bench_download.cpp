// Oversized bodies from a loopback server, each downloaded in a fresh child process so that no
// body's peak hides another's: how far resident memory rises over its resting figure, and the
// longest stall of the main thread, ours against the previous way. Prints, per body:
//   bench download_oversized_peak_mb <body> ours_mb=<ours> readall_mb=<previous> ratio=<previous/ours>
//   bench download_oversized_main_thread_stall <body> ours_ms=<ours> readall_ms=<previous> ratio=<previous/ours>
// (the peak in MB over the resting figure, named so in place of the usual milliseconds).
#include "CataloguePage.h"
#include "GzipBody.h"
#include "HttpTestServer.h"
#include "MainThreadWatch.h"
#include "ResidentMemory.h"

#include "Networking/HTMLParser.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr qint64 kMB = 1000 * 1000;
constexpr qint64 kLimit = HTMLParser::kDefaultMaximumBodySize;

struct Body {
    const char *name;
    const char *path;
};
const Body kBodies[] = {
    {"chunked_500MB", "/chunked"},
    {"gzip_1GB_rows", "/gzip-1g"},
    {"gzip_100MB_rows", "/gzip-100m"},
    {"close_delimited_500MB", "/close"},
};

// Catalogue rows to fill the bodies with: the rows of a generated page, without its frame.
QByteArray rows()
{
    const QByteArray page = CataloguePage::utf8(4000);
    const qsizetype first = page.indexOf("<tr><td");
    const qsizetype last = page.lastIndexOf("</tr>", page.indexOf("</tbody>")) + 5;
    return page.mid(first, last - first);
}

// `total` bytes of rows, a piece at a time.
std::function<QByteArray()> rowsOf(const QByteArray &block, qint64 total)
{
    return [block, left = total, at = qsizetype(0)]() mutable {
        const qsizetype n = qsizetype(std::min<qint64>(left, std::min<qint64>(64 * 1024, block.size() - at)));
        if (n <= 0)
            return QByteArray();
        const QByteArray piece = block.mid(at, n);
        at = (at + n) % block.size();
        left -= n;
        return piece;
    };
}

// The bodies of the table, served from a thread of their own at loopback speed.
void serve(HttpTestServer &server)
{
    const QByteArray block = rows();
    HttpTestServer::Response chunked{200, {{"Content-Type", "text/html"}}, {}};
    chunked.chunked = true;
    chunked.bodySource = rowsOf(block, 500 * kMB);
    server.setResponse("/chunked", chunked);

    HttpTestServer::Response closeDelimited{200, {{"Content-Type", "text/html"}}, {}};
    closeDelimited.bodySource = rowsOf(block, 500 * kMB);
    server.setResponse("/close", closeDelimited);

    for (const auto &[path, decoded] : {std::pair{"/gzip-1g", 1000 * kMB}, std::pair{"/gzip-100m", 100 * kMB}}) {
        const GzipBody gzip(block, decoded / block.size());
        HttpTestServer::Response response{
            200,
            {{"Content-Type", "text/html"}, {"Content-Encoding", "gzip"}, {"Content-Length", QByteArray::number(gzip.size())}},
            {}};
        response.bodySource = gzip.source();
        server.setResponse(path, response);
        std::fprintf(stderr, "%s: %.1f MB compressed to %.1f MB of rows\n", path, gzip.size() / double(kMB),
                     gzip.decodedSize() / double(kMB));
    }
    server.setResponse("/warm", {200, {{"Content-Type", "text/html"}}, CataloguePage::utf8(100)});
}

// The previous way, kept here as the baseline: every readyRead takes all that Qt holds, in a
// reply whose buffer has no bound, and the limit is checked after that.
void fetchTheOldWay(QNetworkAccessManager *session, const QUrl &url, QObject *context,
                    std::function<void(bool)> done)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(HTMLParser::kDefaultTransferTimeoutMs);
    QNetworkReply *reply = session->get(request);
    auto body = std::make_shared<QByteArray>();
    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [=] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > kLimit) {
            *tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [=] {
        if (*tooLarge)
            return;
        *body += reply->readAll();
        if (body->size() > kLimit) {
            *tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, context, [=] {
        reply->deleteLater();
        if (*tooLarge)
            return done(false);
        *body += reply->readAll();
        done(reply->error() == QNetworkReply::NoError && body->size() <= kLimit);
    });
}

// Child mode: one download one way, after a small one that sets the network machinery up.
int measure(const QString &way, const QUrl &url)
{
    QNetworkAccessManager session;
    const auto download = [&](const QUrl &address) {
        QObject context;
        bool finished = false;
        bool succeeded = false;
        if (way == u"ours") {
            HTMLParser(&session).fetchAndParse(address, &context, [&](FetchResult result) {
                succeeded = bool(result);
                finished = true;
            });
        } else {
            fetchTheOldWay(&session, address, &context, [&](bool ok) {
                succeeded = ok;
                finished = true;
            });
        }
        while (!finished)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents(); // deferred deletes of the finished transfer
        return succeeded;
    };
    QUrl warm = url;
    warm.setPath(QStringLiteral("/warm"));
    if (!download(warm))
        return 1;

    MainThreadWatch watch;
    bool succeeded = false;
    const qint64 peak = ResidentMemory::peakExtraBytes([&] {
        watch.start();
        succeeded = download(url);
        watch.stop();
    });
    if (peak < 0)
        return 1;
    std::printf("peak_over_resting_mb=%.1f stall_ms=%.1f succeeded=%d\n", peak / double(kMB), watch.longestMs(),
                int(succeeded));
    return 0;
}

struct Figures {
    double peakMb = -1;
    double stallMs = -1;
};

Figures measureInChild(const QString &way, const QUrl &url)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--measure"), way, url.toString()});
    if (!child.waitForFinished(300000)) {
        child.kill();
        child.waitForFinished();
    }
    const QByteArray out = child.readAllStandardOutput();
    const auto field = [&](const QByteArray &name) {
        const qsizetype at = out.indexOf(name + '=');
        return at < 0 ? -1.0 : out.mid(at + name.size() + 1).split(' ').value(0).trimmed().toDouble();
    };
    if (field("succeeded") != 0)
        std::fprintf(stderr, "%s: the oversized body at %s was not refused\n", qPrintable(way), qPrintable(url.path()));
    return {field("peak_over_resting_mb"), field("stall_ms")};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"--measure")
        return measure(args[2], QUrl(args[3]));

    QThread serverThread;
    serverThread.start();
    auto *anchor = new QObject;
    anchor->moveToThread(&serverThread);
    HttpTestServer *server = nullptr;
    QMetaObject::invokeMethod(anchor, [&] {
        server = new HttpTestServer;
        if (server->listen())
            serve(*server);
    }, Qt::BlockingQueuedConnection);

    for (const Body &body : kBodies) {
        const QUrl url = server->url(QString::fromLatin1(body.path));
        const Figures ours = measureInChild(QStringLiteral("ours"), url);
        const Figures old = measureInChild(QStringLiteral("readall"), url);
        // Resident memory moves in pages: less than 0.1 MB reads as 0.1, so the ratio stays finite.
        const double oursMb = std::max(ours.peakMb, 0.1);
        std::printf("bench download_oversized_peak_mb %s ours_mb=%.1f readall_mb=%.1f ratio=%.2f\n", body.name, oursMb,
                    old.peakMb, old.peakMb / oursMb);
        std::printf("bench download_oversized_main_thread_stall %s ours_ms=%.1f readall_ms=%.1f ratio=%.2f\n", body.name,
                    ours.stallMs, old.stallMs, old.stallMs / std::max(ours.stallMs, 0.1));
        std::fflush(stdout);
    }

    QMetaObject::invokeMethod(anchor, [&] { delete server; }, Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();
    delete anchor;
    return 0;
}
