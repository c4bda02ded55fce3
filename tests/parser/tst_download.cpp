#include "DataSources/IGNDataSource.h"
#include "DownloadFetch.h"
#include "GzipBody.h"
#include "HttpTestServer.h"
#include "Networking/HTMLParser.h"
#include "Networking/HTMLParserError.h"
#include "Networking/NetworkSession.h"
#include "TestWait.h"

#include <QNetworkReply>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

Q_DECLARE_METATYPE(HttpTestServer::Response)

namespace {

using DownloadFetch::fetch;
using DownloadFetch::fixtureBytes;

const QString kCataloguePath = QStringLiteral("/web/vlc-ultimo-terremoto/-/sismovantaquelorin/get10dias");

// Stands for a network that delivers faster than the main thread reads: at each turn of the
// event loop the reply holds what Qt would have buffered by then, a read buffer's worth when
// one is set, and otherwise 64 MiB more (the network kept going while the main thread was busy).
class FloodingReply : public QNetworkReply {
public:
    struct Stats {
        qint64 taken = 0;    // bytes read out of the reply
        qint64 peakHeld = 0; // the most the reply held at once
    };

    FloodingReply(const QNetworkRequest &request, Stats *stats, QObject *parent)
        : QNetworkReply(parent), m_stats(stats)
    {
        setRequest(request);
        setUrl(request.url());
        setOperation(QNetworkAccessManager::GetOperation);
        setAttribute(QNetworkRequest::HttpStatusCodeAttribute, 200);
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        m_arrivals.callOnTimeout(this, [this] {
            const qint64 bound = readBufferSize() > 0 ? readBufferSize() : m_held + 64 * 1024 * 1024;
            m_held = std::max(m_held, bound);
            m_stats->peakHeld = std::max(m_stats->peakHeld, m_held);
            emit readyRead();
        });
        m_arrivals.start(0);
    }

    qint64 bytesAvailable() const override { return m_held + QNetworkReply::bytesAvailable(); }
    void abort() override
    {
        if (isFinished())
            return;
        m_arrivals.stop();
        setError(OperationCanceledError, QStringLiteral("Operation canceled"));
        setFinished(true);
        emit errorOccurred(OperationCanceledError);
        emit finished();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = std::min(maxSize, m_held);
        std::memset(data, 'x', size_t(n));
        m_held -= n;
        m_stats->taken += n;
        return n;
    }

private:
    Stats *m_stats;
    QTimer m_arrivals;
    qint64 m_held = 0;
};

class FloodingSession : public QNetworkAccessManager {
public:
    FloodingReply::Stats stats;

protected:
    QNetworkReply *createRequest(Operation, const QNetworkRequest &request, QIODevice *) override
    {
        return new FloodingReply(request, &stats, this);
    }
};

} // namespace

class TestDownload : public QObject {
    Q_OBJECT
private:
    HttpTestServer m_server;
    QNetworkAccessManager m_session;

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.listen());
        // The data source reads the region's address, which honours this override.
        qputenv("SISMOVANTAQUELORIN_CATALOGUE_URL", m_server.url(kCataloguePath).toEncoded());
    }

    void responses_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("events"); // when it succeeds
        QTest::addColumn<int>("error");  // HTMLParserError, or 0
        const QByteArray page = fixtureBytes("catalogue-page.html");
        QTest::newRow("200") << 200 << page << 25 << 0;
        QTest::newRow("203 is a success too") << 203 << page << 25 << 0;
        QTest::newRow("204 empty body") << 204 << QByteArray() << 0 << int(HTMLParserError::noTableFound);
        QTest::newRow("404 with a table body") << 404 << page << 0 << int(HTMLParserError::invalidResponse);
        QTest::newRow("500") << 500 << QByteArrayLiteral("<tr>") << 0 << int(HTMLParserError::invalidResponse);
        QTest::newRow("200 without rows") << 200 << QByteArrayLiteral("<html>Mantenimiento</html>") << 0 << int(HTMLParserError::noTableFound);
    }
    void responses()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, events);
        QFETCH(int, error);
        const QString path = QStringLiteral("/responses/") + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
        m_server.setResponse(path, {status, {{"Content-Type", "text/html"}}, body});
        const auto outcome = fetch(HTMLParser(&m_session), m_server.url(path));
        QVERIFY(outcome);
        if (error) {
            QVERIFY(!*outcome);
            QCOMPARE(outcome->error(), toError(HTMLParserError(error)));
        } else {
            QVERIFY2(*outcome, qPrintable(*outcome ? QString() : outcome->error().description));
            QCOMPARE((*outcome)->size(), events);
        }
        QCOMPARE(m_server.requestCount(path), 1);
    }

    // Not UTF-8, so read as ISO 8859-1; the charset the server declares plays no part.
    void latin1Body_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::newRow("latin-1 page, utf-8 declared") << fixtureBytes("catalogue-page-latin1.html") << QByteArrayLiteral("text/html; charset=utf-8");
        QTest::newRow("latin-1 page, nothing declared") << fixtureBytes("catalogue-page-latin1.html") << QByteArray();
        // Valid up to a sequence cut off by the end of the body.
        QTest::newRow("utf-8 cut short at the end") << (fixtureBytes("catalogue-page.html") + "\xc3") << QByteArrayLiteral("text/html");
    }
    void latin1Body()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        const auto expected = HTMLParser::parseTable(QString::fromUtf8(fixtureBytes("catalogue-page.html")));
        QVERIFY(expected);
        const QString path = QStringLiteral("/latin1/%1").arg(QTest::currentDataTag()[0] == 'u' ? 1 : contentType.isEmpty() ? 2 : 3);
        HttpTestServer::Response response{200, {}, body};
        if (!contentType.isEmpty())
            response.headers.append({"Content-Type", contentType});
        m_server.setResponse(path, response);
        const auto outcome = fetch(HTMLParser(&m_session), m_server.url(path));
        QVERIFY(outcome && *outcome);
        QCOMPARE((*outcome)->size(), expected->size());
        if (QTest::currentDataTag()[0] == 'l') {
            // Same place names as the UTF-8 page: accents decoded, not replaced.
            for (qsizetype i = 0; i < expected->size(); ++i)
                QCOMPARE((*outcome)->at(i).location, expected->at(i).location);
        } else {
            QCOMPARE((*outcome)->at(2).location, QStringLiteral("GÃ\u009cÃ\u008dMAR.ITF"));
        }
    }

    // The institute's source, through the shared session, reaches its region's address and
    // follows a redirect there.
    void dataSource()
    {
        m_server.setResponse(kCataloguePath, {302, {{"Location", m_server.url("/moved").toEncoded()}}, {}});
        m_server.setResponse("/moved", {200, {}, fixtureBytes("catalogue-page.html")});
        IGNDataSource source;
        QCOMPARE(source.region().id, QStringLiteral("canary_islands"));
        QObject context;
        std::optional<FetchResult> outcome;
        source.fetchEarthquakes(&context, [&](FetchResult result) { outcome.emplace(std::move(result)); });
        QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), TestWait::bound);
        QVERIFY(*outcome);
        QCOMPARE((*outcome)->size(), 25);
        QCOMPARE(m_server.requestCount(kCataloguePath), 1);
        QCOMPARE(m_server.requestCount("/moved"), 1);
        QCOMPARE(NetworkSession::shared(), NetworkSession::shared());
    }

    // A transfer failure reaches the caller with the network layer's own code and text.
    void refusedConnection()
    {
        const QUrl url(QStringLiteral("http://127.0.0.1:%1/").arg(HttpTestServer::refusedPort()));
        QNetworkReply *plain = m_session.get(QNetworkRequest(url));
        QTRY_VERIFY_WITH_TIMEOUT(plain->isFinished(), TestWait::bound);
        const QString plainText = plain->errorString();
        delete plain;

        const auto outcome = fetch(HTMLParser(&m_session), url);
        QVERIFY(outcome && !*outcome);
        QCOMPARE(outcome->error().domain, Error::Domain::Transport);
        QCOMPARE(outcome->error().code, int(QNetworkReply::ConnectionRefusedError));
        QCOMPARE(outcome->error().description, plainText);
    }

    // A transfer that fails after a redirect is the transfer's failure, not a bad status,
    // though the reply still carries the redirect's 3xx; a reply that is not HTTP is invalid.
    void failuresAfterRedirects_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("code"); // QNetworkReply::NetworkError, or 0 for invalidResponse
        QTest::newRow("too many redirects") << "/loop" << int(QNetworkReply::TooManyRedirectsError);
        QTest::newRow("redirect to an unknown scheme") << "/to-gopher" << int(QNetworkReply::ProtocolUnknownError);
        QTest::newRow("refused after a redirect") << "/to-refused" << int(QNetworkReply::ConnectionRefusedError);
        QTest::newRow("file address") << QString() << 0;
    }
    void failuresAfterRedirects()
    {
        QFETCH(QString, path);
        QFETCH(int, code);
        m_server.setResponse("/loop", {302, {{"Location", m_server.url("/loop").toEncoded()}}, {}});
        m_server.setResponse("/to-gopher", {301, {{"Location", "gopher://127.0.0.1/x"}}, {}});
        const QByteArray refused = QStringLiteral("http://127.0.0.1:%1/page").arg(HttpTestServer::refusedPort()).toUtf8();
        m_server.setResponse("/to-refused", {307, {{"Location", refused}}, {}});
        const QUrl url = path.isEmpty() ? QUrl::fromLocalFile(QStringLiteral(SISMO_FIXTURES_DIR "/catalogue-page.html"))
                                        : m_server.url(path);
        const auto outcome = fetch(HTMLParser(&m_session), url);
        QVERIFY(outcome);
        QVERIFY2(!*outcome, "a reply that is not HTTP must fail");
        if (!code) {
            QCOMPARE(outcome->error(), toError(HTMLParserError::invalidResponse));
            return;
        }
        QCOMPARE(outcome->error().domain, Error::Domain::Transport);
        QCOMPARE(outcome->error().code, code);
        // Qt's own text for it.
        QNetworkReply *plain = m_session.get(QNetworkRequest(url));
        QTRY_VERIFY_WITH_TIMEOUT(plain->isFinished(), TestWait::bound);
        QCOMPARE(outcome->error().description, plain->errorString());
        delete plain;
    }

    // A body cut short in transit, which Qt hands over as a complete 200 response, fails as an
    // incomplete download; the same page sent whole reads as usual.
    void cutShortBody_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<bool>("reset");
        QTest::addColumn<bool>("complete");
        const QByteArray page = fixtureBytes("catalogue-page.html");
        const qsizetype half = page.indexOf("<tr", page.size() / 2);
        const QByteArray first = page.left(half);
        const QByteArray rest = page.mid(half);
        const QByteArray chunked = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n"
                                   "Connection: close\r\n\r\n";
        const auto chunk = [](const QByteArray &data) { return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n"; };
        const QByteArray unframed = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n";
        QTest::newRow("chunked, whole") << (chunked + chunk(first) + chunk(rest) + "0\r\n\r\n") << false << true;
        QTest::newRow("chunk size zz") << (chunked + chunk(first) + "zz\r\n" + rest + "\r\n0\r\n\r\n") << false << false;
        QTest::newRow("chunk size -5") << (chunked + chunk(first) + "-5\r\n" + rest + "\r\n0\r\n\r\n") << false << false;
        QTest::newRow("chunk size of 18 hex digits") << (chunked + chunk(first) + "100000000000000000\r\n" + rest) << false << false;
        QTest::newRow("no length, closed at the end") << (unframed + page) << false << true;
        QTest::newRow("no length, reset midway") << (unframed + first) << true << false;
    }
    void cutShortBody()
    {
        QFETCH(QByteArray, raw);
        QFETCH(bool, reset);
        QFETCH(bool, complete);
        const QString path = QStringLiteral("/cut/") + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
        HttpTestServer::Response response;
        response.raw = raw;
        response.resetAfter = reset;
        m_server.setResponse(path, response);
        const auto outcome = fetch(HTMLParser(&m_session), m_server.url(path));
        QVERIFY(outcome);
        if (complete) {
            QVERIFY2(*outcome, qPrintable(*outcome ? QString() : outcome->error().description));
            QCOMPARE((*outcome)->size(), 25);
            return;
        }
        QVERIFY(!*outcome);
        QCOMPARE(outcome->error().domain, Error::Domain::Transport);
        if (!reset) // a reset may reach Qt as an error of its own, which is as good
            QCOMPARE(outcome->error(), HTMLParser::incompleteResponseError());
    }

    // A body that ends before its Content-Length is an incomplete page every time. Qt alone
    // calls it an error or a success depending on how the last bytes and the close reach it.
    void shortOfDeclaredLength()
    {
        HttpTestServer::Response response;
        response.raw = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 200000\r\n\r\n"
                     + QByteArray(100000, 'x');
        m_server.setResponse("/short", response);
        for (int attempt = 0; attempt < 40; ++attempt) {
            const auto outcome = fetch(HTMLParser(&m_session), m_server.url("/short"));
            QVERIFY(outcome);
            QVERIFY2(!*outcome, qPrintable(QStringLiteral("attempt %1 succeeded").arg(attempt)));
            QCOMPARE(outcome->error(), HTMLParser::incompleteResponseError());
        }
    }

    // Bodies over the limit are abandoned while they download, however they are framed; the
    // limit counts decoded bytes, whatever a compressed body declares.
    void sizeLimit_data()
    {
        using Response = HttpTestServer::Response;
        QTest::addColumn<Response>("response");
        QTest::addColumn<int>("error");    // HTMLParserError, or 0
        QTest::addColumn<bool>("endless"); // then the server sees the client hang up
        const QByteArray page = fixtureBytes("catalogue-page.html");
        const int invalid = int(HTMLParserError::invalidResponse);
        const auto endless = [](bool chunked) {
            Response response{200, {}, QByteArray(8192, ' ')};
            response.endlessBody = true;
            response.chunked = chunked;
            return response;
        };
        const auto gzip = [](const GzipBody &body) {
            Response response{200, {{"Content-Encoding", "gzip"}, {"Content-Length", QByteArray::number(body.size())}}, {}};
            response.bodySource = body.source();
            return response;
        };
        // Declares fewer bytes than the limit and decodes to forty times as many.
        const GzipBody bomb(page.repeated(20), 2);
        QVERIFY(bomb.size() < page.size() && bomb.decodedSize() >= 40 * page.size());
        QTest::newRow("endless, close-delimited") << endless(false) << invalid << true;
        QTest::newRow("endless, chunked") << endless(true) << invalid << true;
        QTest::newRow("one byte over") << Response{200, {}, page + ' '} << invalid << false;
        QTest::newRow("declared too long")
            << Response{200, {{"Content-Length", QByteArray::number(page.size() + 1000000)}}, page} << invalid << false;
        QTest::newRow("gzip bomb under a small Content-Length") << gzip(bomb) << invalid << false;
        QTest::newRow("exactly at the limit") << Response{200, {}, page} << 0 << false;
        QTest::newRow("gzip, decoding to exactly the limit") << gzip(GzipBody(page, 1)) << 0 << false;
    }
    void sizeLimit()
    {
        QFETCH(HttpTestServer::Response, response);
        QFETCH(int, error);
        QFETCH(bool, endless);
        const QString path = QStringLiteral("/limit/") + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
        m_server.setResponse(path, response);
        const int abandonedBefore = m_server.abandonedCount();
        HTMLParser parser(&m_session);
        QCOMPARE(parser.maximumBodySize(), qint64(32) * 1024 * 1024);
        parser.setMaximumBodySize(fixtureBytes("catalogue-page.html").size());
        const auto outcome = fetch(parser, m_server.url(path));
        QVERIFY(outcome);
        if (error) {
            QVERIFY(!*outcome);
            QCOMPARE(outcome->error(), toError(HTMLParserError(error)));
        } else {
            QVERIFY2(*outcome, qPrintable(*outcome ? QString() : outcome->error().description));
            QCOMPARE((*outcome)->size(), 25);
        }
        if (endless)
            QTRY_COMPARE_WITH_TIMEOUT(m_server.abandonedCount(), abandonedBefore + 1, TestWait::bound);
    }

    // However fast the body comes, neither the body nor the reply's own buffer ever holds
    // more than the limit: it is taken as it arrives and abandoned the moment it passes.
    void floodIsAbandonedAtTheLimit()
    {
        FloodingSession session;
        HTMLParser parser(&session);
        const qint64 limit = parser.maximumBodySize();
        const auto outcome = fetch(parser, QUrl(QStringLiteral("http://flood.invalid/")));
        QVERIFY(outcome && !*outcome);
        QCOMPARE(outcome->error(), toError(HTMLParserError::invalidResponse));
        QVERIFY2(session.stats.taken <= limit + 1, qPrintable(QString::number(session.stats.taken)));
        QVERIFY2(session.stats.peakHeld <= limit, qPrintable(QString::number(session.stats.peakHeld)));
    }

    // A transfer still running at its deadline fails as a transport error that says so (Qt
    // alone would call it cancelled), whether the server is silent or trickles its body.
    void timeout_data()
    {
        QTest::addColumn<HttpTestServer::Response>("response");
        const QByteArray page = fixtureBytes("catalogue-page.html");
        // Answers long after the test would have given up: only the timeout can end the fetch.
        QTest::newRow("never answers") << HttpTestServer::Response{200, {}, page, 600000};
        HttpTestServer::Response trickle{200, {}, page};
        trickle.endlessBody = true;
        trickle.trickleMs = 20;
        QTest::newRow("a byte every 20 ms") << trickle;
    }
    void timeout()
    {
        QFETCH(HttpTestServer::Response, response);
        const QString path = QStringLiteral("/slow/") + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
        m_server.setResponse(path, response);
        const int abandonedBefore = m_server.abandonedCount();
        HTMLParser parser(&m_session);
        QCOMPARE(parser.transferTimeout(), 60000);
        parser.setTransferTimeout(1000);
        const auto outcome = fetch(parser, m_server.url(path));
        QVERIFY(outcome && !*outcome);
        QCOMPARE(outcome->error().domain, Error::Domain::Transport);
        QCOMPARE(outcome->error().code, int(QNetworkReply::TimeoutError));
        QCOMPARE(outcome->error().description, QStringLiteral("Operation timed out"));
        QTRY_COMPARE_WITH_TIMEOUT(m_server.abandonedCount(), abandonedBefore + 1, TestWait::bound);
    }

    // Destroying the context mid-download aborts the transfer; the completion never runs.
    void contextDestroyed()
    {
        m_server.setResponse("/gone", {200, {}, fixtureBytes("catalogue-page.html"), 400});
        const int abandonedBefore = m_server.abandonedCount();
        auto context = std::make_unique<QObject>();
        bool called = false;
        HTMLParser(&m_session).fetchAndParse(m_server.url("/gone"), context.get(), [&](FetchResult) { called = true; });
        QTRY_COMPARE_WITH_TIMEOUT(m_server.requestCount("/gone"), 1, TestWait::bound);
        context.reset();
        // The server sees the connection closed before it could answer.
        QTRY_COMPARE_WITH_TIMEOUT(m_server.abandonedCount(), abandonedBefore + 1, TestWait::bound);
        QTest::qWait(600);
        QVERIFY(!called);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(m_session.findChildren<QNetworkReply *>().isEmpty());
    }

    // Destroying the context while the page is parsed on the worker thread: the completion
    // never runs, and nothing is left behind.
    void contextDestroyedDuringParse()
    {
        const QByteArray page = fixtureBytes("catalogue-page.html");
        const qsizetype rowsStart = page.indexOf("<tr", page.indexOf("</tr>"));
        const qsizetype rowsEnd = page.lastIndexOf("</tr>", page.indexOf("</table>", rowsStart)) + 5;
        const QByteArray big = page.left(rowsStart) + page.mid(rowsStart, rowsEnd - rowsStart).repeated(400) + page.mid(rowsEnd);
        m_server.setResponse("/big", {200, {}, big});
        auto context = std::make_unique<QObject>();
        bool called = false;
        // Queued as the download ends, so it runs before the parse's result can come back.
        const auto connection = connect(&m_session, &QNetworkAccessManager::finished, this, [&] {
            QTimer::singleShot(0, this, [&] { context.reset(); });
        });
        HTMLParser(&m_session).fetchAndParse(m_server.url("/big"), context.get(), [&](FetchResult) { called = true; });
        QTRY_VERIFY_WITH_TIMEOUT(!context, TestWait::bound);
        disconnect(connection);
        QTest::qWait(300);
        QVERIFY(QThreadPool::globalInstance()->waitForDone(TestWait::bound));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        QVERIFY(!called);
        QVERIFY(m_session.findChildren<QNetworkReply *>().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDownload)
#include "tst_download.moc"
