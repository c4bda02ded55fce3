#include "MapTestScene.h"
#include "Models/Region.h"
#include "TileSource.h"
#include "TestWait.h"

#include <QBuffer>
#include <QDirIterator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

namespace {

// A loopback tile server: every GET answers with one PNG of a flat colour.
class TileServer : public QObject
{
public:
    explicit TileServer(QColor color)
    {
        QImage img(256, 256, QImage::Format_RGB32);
        img.fill(color);
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "PNG");
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    request += s->readAll();
                    if (!request.contains("\r\n\r\n"))
                        return;
                    ++requests;
                    userAgents.append(request.mid(request.indexOf("User-Agent:")).split('\r').value(0));
                    request.clear();
                    s->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: "
                             + QByteArray::number(png.size()) + "\r\nConnection: close\r\n\r\n" + png);
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
        server.listen(QHostAddress::LocalHost);
    }
    QString urlTemplate() const
    {
        return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(server.serverPort());
    }
    QTcpServer server;
    QByteArray png, request;
    int requests = 0;
    QList<QByteArray> userAgents;
};

// A loopback tile server whose tiles are too big: it declares a huge length and sends a few
// bytes, or streams without end; it notes when the client hangs up.
class OversizedTileServer : public QObject
{
public:
    explicit OversizedTileServer(bool declared) : declared(declared)
    {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = server.nextPendingConnection()) {
                connect(s, &QTcpSocket::disconnected, this, [this, s] {
                    ++hangUps;
                    s->deleteLater();
                });
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    if (!s->readAll().contains("\r\n\r\n") || s->property("answered").toBool())
                        return;
                    s->setProperty("answered", true);
                    if (this->declared) {
                        s->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: 5242880\r\n\r\n\x89PNG");
                        return;
                    }
                    s->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\n\r\n");
                    const QByteArray chunk(64 * 1024, 'x');
                    connect(s, &QTcpSocket::bytesWritten, s, [s, chunk] {
                        if (s->bytesToWrite() < 256 * 1024)
                            s->write(chunk);
                    });
                    s->write(chunk);
                });
            }
        });
        server.listen(QHostAddress::LocalHost);
    }
    QString urlTemplate() const
    {
        return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(server.serverPort());
    }
    bool declared;
    QTcpServer server;
    int hangUps = 0;
};

QByteArray tileProperties(const QString &urlTemplate, const QString &cache)
{
    return "tilesEnabled: true; tileUrlTemplate: \"" + urlTemplate.toUtf8() + "\"; tileCacheDirectory: \""
        + cache.toUtf8() + "\"";
}

int filesUnder(const QString &dir)
{
    int n = 0;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++n;
    }
    return n;
}

}  // namespace

class TestMapTiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void tilesFromServerAreDrawnCachedAndAttributed();
    void unreachableServerLeavesCoastlinesAndBacksOff();
    void tilesOnDiskAreReadOffTheGuiThread();
    void anotherTileLevelShowsTheOldTilesUntilItsOwnArrive_data();
    void anotherTileLevelShowsTheOldTilesUntilItsOwnArrive();
    void oversizedTileIsAbandoned_data();
    void oversizedTileIsAbandoned();
};

void TestMapTiles::tilesFromServerAreDrawnCachedAndAttributed()
{
    const QColor tileColor(250, 20, 20);
    TileServer server(tileColor);
    QVERIFY(server.server.isListening());
    QTemporaryDir cache;
    const QGeoCoordinate sea(28.3, -15.8);
    {
        MapTestScene scene({600, 400}, {}, tileProperties(server.urlTemplate(), cache.path()));
        scene.map->setRegion(Region::canaryIslands().mapRegion());
        QTRY_VERIFY_WITH_TIMEOUT(scene.map->isShowingTiles(), TestWait::bound);
        QTRY_VERIFY_WITH_TIMEOUT(colorNear(scene.grab().pixelColor(scene.map->fromCoordinate(sea).toPoint()), tileColor), TestWait::bound);
        QVERIFY(server.requests > 0);
        QVERIFY(server.userAgents.first().contains("sismovantaquelorin"));
        // the attribution box sits at the bottom right, over the tiles
        const QImage img = scene.grab();
        const QColor corner = img.pixelColor(img.width() - 3, img.height() - 3);
        QVERIFY2(!colorNear(corner, tileColor, 30), qPrintable(corner.name()));
        QTRY_VERIFY_WITH_TIMEOUT(filesUnder(cache.path()) > 0, TestWait::bound);
    }
    // a new map with the server gone draws the cached tiles
    const int cached = filesUnder(cache.path());
    const QString url = server.urlTemplate();
    server.server.close();
    MapTestScene again({600, 400}, {}, tileProperties(url, cache.path()));
    again.map->setRegion(Region::canaryIslands().mapRegion());
    QTRY_VERIFY_WITH_TIMEOUT(again.map->isShowingTiles(), TestWait::bound);
    QVERIFY(colorNear(again.grab().pixelColor(again.map->fromCoordinate(sea).toPoint()), tileColor));
    QCOMPARE(filesUnder(cache.path()), cached);
}

void TestMapTiles::unreachableServerLeavesCoastlinesAndBacksOff()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();  // nothing listens there now: connections are refused
    QTemporaryDir cache;
    const QString url = QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(port);
    MapTestScene scene({600, 400}, {}, tileProperties(url, cache.path()));
    scene.map->setRegion(Region::canaryIslands().mapRegion());
    TileSource *tiles = scene.map->tileSource();
    QTRY_VERIFY_WITH_TIMEOUT(tiles->isBackingOff(), TestWait::bound);
    const int sent = tiles->requestsSent();
    QVERIFY(sent <= 8);

    // repaints and pans while the server is down send nothing more, and leave nothing in
    // flight that anything could wait on
    for (int i = 0; i < 30; ++i) {
        scene.map->pan(3, 1);
        QTest::qWait(10);
        QCOMPARE(tiles->requestsInFlight(), 0);
    }
    QCOMPARE(tiles->requestsSent(), sent);
    QVERIFY(!scene.map->isShowingTiles());
    const QImage img = scene.grab();
    QVERIFY(colorNear(img.pixelColor(scene.map->fromCoordinate(QGeoCoordinate(28.27, -16.64)).toPoint()),
                      scene.map->landColor()));
    QCOMPARE(filesUnder(cache.path()), 0);
}

// Decoding a tile costs milliseconds a frame cannot spare: a tile on disk comes back later.
void TestMapTiles::tilesOnDiskAreReadOffTheGuiThread()
{
    TileServer server(QColor(20, 200, 20));
    QTemporaryDir cache;
    const TileSource::Key key{6, 30, 27};
    {
        TileSource first;
        first.setUrlTemplate(server.urlTemplate());
        first.setCacheDirectory(cache.path());
        QSignalSpy ready(&first, &TileSource::tileReady);
        QVERIFY(first.tile(key).isNull());
        QVERIFY(ready.wait(TestWait::bound));
    }
    TileSource tiles;
    tiles.setUrlTemplate(server.urlTemplate());
    tiles.setCacheDirectory(cache.path());
    QSignalSpy ready(&tiles, &TileSource::tileReady);
    QVERIFY(tiles.tile(key).isNull());
    QVERIFY(tiles.inMemory(key).isNull());
    QVERIFY(ready.wait(TestWait::bound));
    QCOMPARE(tiles.tile(key).pixelColor(5, 5), QColor(20, 200, 20));
    QCOMPARE(server.requests, 1);  // read from disk, not fetched again
}

void TestMapTiles::anotherTileLevelShowsTheOldTilesUntilItsOwnArrive_data()
{
    QTest::addColumn<double>("levels");
    QTest::newRow("in") << 1.0;
    QTest::newRow("out") << -1.0;
}

// A zoom to another tile level draws the tiles at hand, scaled, where the new level's are
// still missing (here they never come: the server is gone), never the bare coastlines.
void TestMapTiles::anotherTileLevelShowsTheOldTilesUntilItsOwnArrive()
{
    QFETCH(double, levels);
    const QColor tileColor(250, 20, 20);
    TileServer server(tileColor);
    QTemporaryDir cache;
    MapTestScene scene({600, 400}, {},
                       tileProperties(server.urlTemplate(), cache.path())
                           + "; zoomLevel: 8; center: QtPositioning.coordinate(28.3, -15.8)");
    QTRY_VERIFY_WITH_TIMEOUT(colorNear(scene.grab().pixelColor(300, 200), tileColor), TestWait::bound);
    QTRY_COMPARE_WITH_TIMEOUT(scene.map->tileSource()->requestsInFlight(), 0, TestWait::bound);
    server.server.close();

    scene.map->setZoomLevel(8 + levels);
    QVERIFY(scene.map->isShowingTiles());
    QVERIFY(colorNear(scene.grab().pixelColor(300, 200), tileColor));
}

void TestMapTiles::oversizedTileIsAbandoned_data()
{
    QTest::addColumn<bool>("declared");
    QTest::newRow("declared length over the limit") << true;
    QTest::newRow("endless body") << false;
}

// A tile over the size limit is dropped while it downloads, not read to its end; it then
// counts as failed and is not asked for again at once.
void TestMapTiles::oversizedTileIsAbandoned()
{
    QFETCH(bool, declared);
    OversizedTileServer server(declared);
    QVERIFY(server.server.isListening());
    QTemporaryDir cache;
    TileSource tiles;
    tiles.setUrlTemplate(server.urlTemplate());
    tiles.setCacheDirectory(cache.path());
    QSignalSpy ready(&tiles, &TileSource::tileReady);
    const TileSource::Key key{6, 30, 27};
    QVERIFY(tiles.tile(key).isNull());
    QCOMPARE(tiles.requestsSent(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(server.hangUps, 1, TestWait::bound);
    QTRY_COMPARE_WITH_TIMEOUT(tiles.requestsInFlight(), 0, TestWait::bound);
    QVERIFY(tiles.tile(key).isNull());
    QCOMPARE(tiles.requestsSent(), 1);
    QCOMPARE(ready.size(), 0);
    QCOMPARE(filesUnder(cache.path()), 0);
}

QTEST_MAIN(TestMapTiles)
#include "tst_maptiles.moc"
