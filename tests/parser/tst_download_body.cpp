#include "DownloadFetch.h"
#include "HttpTestServer.h"
#include "LargestAllocation.h"
#include "Networking/HTMLParser.h"
#include "Networking/PageDownload.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>
#include <algorithm>

namespace {

using DownloadFetch::fetch;
using DownloadFetch::fixtureBytes;

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
    }
    void takenInBoundedPieces()
    {
        QFETCH(QByteArray, coding);
        QFETCH(QByteArray, page);
        const QByteArray body = page;
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
