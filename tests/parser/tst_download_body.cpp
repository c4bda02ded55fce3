#include "DownloadFetch.h"
#include "HttpTestServer.h"
#include "LargestAllocation.h"
#include "Networking/ContentDecoder.h"
#include "Networking/HTMLParser.h"
#include "Networking/HTMLParserError.h"
#include "Networking/PageDownload.h"

#include <QBuffer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>
#include <algorithm>

#include <zlib.h>

Q_DECLARE_METATYPE(Error)

namespace {

using DownloadFetch::fetch;
using DownloadFetch::fixtureBytes;

enum Wrapper { gzipWrapper = 16 + MAX_WBITS, zlibWrapper = MAX_WBITS, rawDeflate = -MAX_WBITS };

QByteArray deflated(const QByteArray &data, Wrapper wrapper)
{
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, wrapper, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))) + 32, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

// The fixture page with its rows repeated until it is at least `bytes` long.
QByteArray bigPage(qsizetype bytes)
{
    const QByteArray page = fixtureBytes("catalogue-page.html");
    const qsizetype rowsStart = page.indexOf("<tr", page.indexOf("</tr>"));
    const qsizetype rowsEnd = page.lastIndexOf("</tr>", page.indexOf("</table>", rowsStart)) + 5;
    const QByteArray rows = page.mid(rowsStart, rowsEnd - rowsStart);
    return page.left(rowsStart) + rows.repeated(bytes / rows.size() + 1) + page.mid(rowsEnd);
}

int rowsIn(const QByteArray &page)
{
    return int(HTMLParser::parseTable(QString::fromUtf8(page)).valueOr({}).size());
}

// Sent 64 KiB at a time, so that the server, on this thread too, never holds a large block.
std::function<QByteArray()> inPieces(const QByteArray &body)
{
    return [body, at = qsizetype(0)]() mutable {
        const QByteArray piece = body.mid(at, 64 * 1024);
        at += piece.size();
        return piece;
    };
}

// The most a reply held for its reader at once: what Qt had taken off the network, and
// decoded where Qt decodes, in one go on the main thread.
class WatchedSession : public QNetworkAccessManager {
public:
    qint64 peakHeld = 0;

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request, QIODevice *data) override
    {
        QNetworkReply *reply = QNetworkAccessManager::createRequest(op, request, data);
        connect(reply, &QNetworkReply::readyRead, this,
                [this, reply] { peakHeld = std::max(peakHeld, reply->bytesAvailable()); });
        return reply;
    }
};

} // namespace

// How a body is taken as it arrives: in the codings we ask for and read ourselves, and never
// more of it at once on the main thread than a bounded piece, however large it grows.
class TestDownloadBody : public QObject {
    Q_OBJECT
private:
    HttpTestServer m_server;
    QNetworkAccessManager m_session;

private slots:
    void initTestCase() { QVERIFY(m_server.listen()); }

    // The codings asked for decode to the page; a body in a coding not asked for, or one that
    // does not decode, fails and says so. Success or failure is told by `error`'s description.
    void contentCodings_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("coding");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<Error>("error"); // its description a prefix of the one expected
        const QByteArray page = fixtureBytes("catalogue-page.html");
        const QByteArray gzip = deflated(page, gzipWrapper);
        const qsizetype half = page.size() / 2;
        const Error none;
        const Error undecodable{Error::Domain::Transport, int(QNetworkReply::UnknownContentError),
                                QStringLiteral("Decompression failed: ")};
        const auto unsupported = [](const char *coding) {
            return Error{Error::Domain::Transport, int(QNetworkReply::UnknownContentError),
                         QStringLiteral("Unsupported content encoding: ") + QLatin1String(coding)};
        };
        QTest::newRow("none") << 200 << QByteArray() << page << none;
        QTest::newRow("identity") << 200 << QByteArray("identity") << page << none;
        QTest::newRow("gzip") << 200 << QByteArray("gzip") << gzip << none;
        QTest::newRow("gzip in capitals") << 200 << QByteArray("GZIP") << gzip << none;
        QTest::newRow("x-gzip") << 200 << QByteArray("x-gzip") << gzip << none;
        QTest::newRow("deflate in zlib's wrapper") << 200 << QByteArray("deflate") << deflated(page, zlibWrapper) << none;
        QTest::newRow("deflate without a wrapper") << 200 << QByteArray("deflate") << deflated(page, rawDeflate) << none;
        QTest::newRow("gzip in two members")
            << 200 << QByteArray("gzip") << deflated(page.left(half), gzipWrapper) + deflated(page.mid(half), gzipWrapper)
            << none;
        QTest::newRow("gzip, an invalid block") << 200 << QByteArray("gzip") << gzip.left(10) + "\xff\xff\xff\xff" << undecodable;
        QTest::newRow("gzip, then bytes that are not") << 200 << QByteArray("gzip") << gzip + "trailing" << undecodable;
        QTest::newRow("gzip, cut before its end")
            << 200 << QByteArray("gzip") << gzip.left(gzip.size() - 20) << HTMLParser::incompleteResponseError();
        QTest::newRow("br, not asked for") << 200 << QByteArray("br") << page << unsupported("br");
        QTest::newRow("gzip applied twice") << 200 << QByteArray("gzip, gzip") << deflated(gzip, gzipWrapper)
                                            << unsupported("gzip, gzip");
        QTest::newRow("404 that does not decode") << 404 << QByteArray("gzip") << page
                                                  << toError(HTMLParserError::invalidResponse);
    }
    void contentCodings()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, coding);
        QFETCH(QByteArray, body);
        QFETCH(Error, error);
        const QString path = QStringLiteral("/coding/") + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
        HttpTestServer::Response response{status, {{"Content-Type", "text/html"}}, body};
        if (!coding.isEmpty())
            response.headers.append({"Content-Encoding", coding});
        m_server.setResponse(path, response);
        const auto outcome = fetch(HTMLParser(&m_session), m_server.url(path));
        QVERIFY(outcome);
        // Only what we read ourselves is asked for.
        QCOMPARE(m_server.requestHeader(path, "Accept-Encoding"), QByteArray("gzip, deflate"));
        if (error.description.isEmpty()) {
            QVERIFY2(*outcome, qPrintable(*outcome ? QString() : outcome->error().description));
            QCOMPARE((*outcome)->size(), 25);
            return;
        }
        QVERIFY(!*outcome);
        QCOMPARE(outcome->error().domain, error.domain);
        QCOMPARE(outcome->error().code, error.code);
        QVERIFY2(outcome->error().description.startsWith(error.description), qPrintable(outcome->error().description));
    }

    // A call whose room runs out just as the last input is taken leaves output in zlib: the
    // next call gives it, with nothing more to read, and the body ends whole, wherever the room
    // ran out (a turn's or a piece's end).
    void heldBackOutputComesOut_data()
    {
        QTest::addColumn<QByteArray>("coding");
        QTest::addColumn<int>("wrapper");
        QTest::newRow("gzip") << QByteArray("gzip") << int(gzipWrapper);
        QTest::newRow("deflate in zlib's wrapper") << QByteArray("deflate") << int(zlibWrapper);
        QTest::newRow("deflate without a wrapper") << QByteArray("deflate") << int(rawDeflate);
    }
    void heldBackOutputComesOut()
    {
        QFETCH(QByteArray, coding);
        QFETCH(int, wrapper);
        const QByteArray page = QByteArray("<tr><td>1</td></tr>").repeated(500);
        QByteArray body = deflated(page, Wrapper(wrapper));
        for (qsizetype room = page.size() - 600; room < page.size(); ++room) {
            Expected<std::unique_ptr<ContentDecoder>> decoder = ContentDecoder::forCoding(coding);
            QVERIFY(decoder);
            QBuffer in(&body);
            QVERIFY(in.open(QIODevice::ReadOnly));
            QByteArray out(page.size() + 1, '\0');
            qsizetype done = 0;
            for (qint64 length = room; length > 0; length = out.size() - done) {
                const Expected<ContentDecoder::Step> step = (*decoder)->decode(&in, out.data() + done, length);
                QVERIFY2(step, qPrintable(step ? QString() : step.error().description));
                if (step->decoded == 0 && step->read == 0)
                    break;
                done += step->decoded;
            }
            QVERIFY2(done == page.size(), qPrintable(QStringLiteral("room %1: %2 bytes").arg(room).arg(done)));
            QCOMPARE(out.left(done), page);
            QVERIFY2((*decoder)->isWhole(), qPrintable(QStringLiteral("room %1").arg(room)));
        }
    }

    // A compressed body whole, but shorter than its Content-Length, is an incomplete page, as
    // an identity body is.
    void compressedShortOfDeclaredLength()
    {
        const QByteArray gzip = deflated(fixtureBytes("catalogue-page.html"), gzipWrapper);
        HttpTestServer::Response response;
        response.raw = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\nContent-Length: "
                     + QByteArray::number(gzip.size() + 100) + "\r\n\r\n" + gzip;
        m_server.setResponse("/gzip-short", response);
        const auto outcome = fetch(HTMLParser(&m_session), m_server.url("/gzip-short"));
        QVERIFY(outcome && !*outcome);
        QCOMPARE(outcome->error(), HTMLParser::incompleteResponseError());
    }

    // A large body, plain or compressed, reaches the main thread a bounded piece at a time:
    // Qt holds about a read buffer of it at the most (a block may overshoot it a little;
    // decoding there would hold all that one piece of input decodes to), and it is never kept
    // in one block that grows with it.
    void takenInBoundedPieces_data()
    {
        QTest::addColumn<QByteArray>("coding");
        QTest::addColumn<QByteArray>("page");
        const QByteArray page = bigPage(12 * 1024 * 1024);
        QTest::newRow("identity") << QByteArray() << page;
        QTest::newRow("gzip") << QByteArray("gzip") << page;
    }
    void takenInBoundedPieces()
    {
        QFETCH(QByteArray, coding);
        QFETCH(QByteArray, page);
        const QByteArray body = coding.isEmpty() ? page : deflated(page, gzipWrapper);
        HttpTestServer::Response response{200, {{"Content-Length", QByteArray::number(body.size())}}, {}};
        if (!coding.isEmpty())
            response.headers.append({"Content-Encoding", coding});
        response.bodySource = inPieces(body);
        const QString path = QStringLiteral("/big/") + QString::fromLatin1(QTest::currentDataTag());
        m_server.setResponse(path, response);

        WatchedSession session;
        std::optional<FetchResult> outcome;
        std::size_t largest = 0;
        {
            const LargestAllocation watch;
            outcome = fetch(HTMLParser(&session), m_server.url(path));
            largest = watch.bytes();
        }
        QVERIFY2(session.peakHeld <= 2 * PageDownload::kReadBufferSize, qPrintable(QString::number(session.peakHeld)));
        QVERIFY2(largest <= std::size_t(page.size() / 4), qPrintable(QString::number(largest)));
        QVERIFY(outcome);
        QVERIFY2(*outcome, qPrintable(*outcome ? QString() : outcome->error().description));
        QCOMPARE((*outcome)->size(), rowsIn(page));
    }
};

QTEST_GUILESS_MAIN(TestDownloadBody)
#include "tst_download_body.moc"
