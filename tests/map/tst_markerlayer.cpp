// The marker layer fed with shared marker data: what is hit, what is drawn, and which
// changes rebuild the batch.
#include "MapTestScene.h"
#include "Map/MapProjection.h"
#include "MarkerBatch.h"
#include "TestWait.h"

#include <numeric>

#include <QPainter>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QThreadPool>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

namespace {

const QGeoCoordinate kCentre(28.3, -15.8);
const char *kCamera = "tilesEnabled: false; zoomLevel: 9; center: QtPositioning.coordinate(28.3, -15.8)";

MarkerSet setOf(std::shared_ptr<MarkerData> data, std::vector<quint32> shown)
{
    return MarkerSet(std::move(data), std::make_shared<std::vector<quint32>>(std::move(shown)));
}

bool waitForBatch(MarkerLayer *layer, int before)
{
    return QTest::qWaitFor([&] { return layer->batchesBuilt() > before && layer->isBatchCurrent(); }, TestWait::bound);
}

}  // namespace

class TestMarkerLayer : public QObject
{
    Q_OBJECT

private slots:
    void hitsFollowTheShownOrder();
    void markersChangedCarriesTheNewMarkers();
    void unplaceableEntriesAreNeitherDrawnNorHit_data();
    void unplaceableEntriesAreNeitherDrawnNorHit();
    void selectionLeavesTheBatchAlone();
    void newerSetWinsOverABatchInFlight();
    void zoomKeepsTheOldBatchUntilTheNewOne();
    void destroyedWithABuildInFlight();
    void buriedMarkersAreDropped();
    void stackedMarkersKeepTheTopAndLargerOnes();
    void canvasPictureHoldsEachSpriteAtItsPlace_data();
    void canvasPictureHoldsEachSpriteAtItsPlace();
    void countlessLabelsKeepStylesBounded();
};

void TestMarkerLayer::hitsFollowTheShownOrder()
{
    MapTestScene scene({800, 600}, "MarkerLayer { objectName: \"layer\" }", kCamera);
    auto *layer = scene.find<MarkerLayer>("layer");
    const QPointF p = scene.map->fromCoordinate(kCentre);
    const QGeoCoordinate right = scene.map->toCoordinate(p + QPointF(10, 0));
    auto data = std::make_shared<MarkerData>();
    const int style = data->addStyle({Qt::red, 28, QStringLiteral("3.1")});
    data->append(101, kCentre, style);
    data->append(102, right, style);
    data->append(103, scene.map->toCoordinate(QPointF(50, 50)), style);

    // later entries of the shown list are above: the order, not the data, decides
    layer->setMarkerSet(setOf(data, {1, 0}));
    QCOMPARE(layer->markerAt(p + QPointF(5, 0)), QStringLiteral("101"));
    layer->setMarkerSet(setOf(data, {0, 1}));
    QCOMPARE(layer->markerAt(p + QPointF(5, 0)), QStringLiteral("102"));
    QCOMPARE(layer->markerAt(p - QPointF(8, 0)), QStringLiteral("101"));
    // an entry of the data that is not shown is not there
    QCOMPARE(layer->markerAt(QPointF(50, 50)), QString());
    layer->setMarkerSet(setOf(data, {0, 1, 2}));
    QCOMPARE(layer->markerAt(QPointF(50, 50)), QStringLiteral("103"));

    QSignalSpy taps(layer, &MarkerLayer::markerTapped);
    QTest::mouseClick(scene.view.get(), Qt::LeftButton, {}, (p + QPointF(6, 0)).toPoint());
    QCOMPARE(taps.size(), 1);
    QCOMPARE(taps.at(0).at(0).toString(), QStringLiteral("102"));
}

// Whoever hears of new markers reads them, by value and by hit, not the ones they replace.
void TestMarkerLayer::markersChangedCarriesTheNewMarkers()
{
    MapTestScene scene({800, 600}, "MarkerLayer { objectName: \"layer\" }", kCamera);
    auto *layer = scene.find<MarkerLayer>("layer");
    const QPointF p = scene.map->fromCoordinate(kCentre);
    MapMarker m;
    m.id = QStringLiteral("new");
    m.coordinate = kCentre;
    m.color = Qt::red;
    QList<MapMarker> seen;
    QString hit;
    connect(layer, &MarkerLayer::markersChanged, layer, [&] {
        seen = layer->markers();
        hit = layer->markerAt(p);
    });
    layer->setMarkers({m});
    QCOMPARE(seen, QList<MapMarker>{m});
    QCOMPARE(hit, QStringLiteral("new"));
}

void TestMarkerLayer::unplaceableEntriesAreNeitherDrawnNorHit_data()
{
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::newRow("beyond the projection") << 86.0 << -15.8;
    QTest::newRow("south pole") << -90.0 << -15.8;
    QTest::newRow("nan") << qQNaN() << -15.8;
    QTest::newRow("infinite") << 28.3 << qInf();
    QTest::newRow("longitude out of range") << 28.3 << 200.0;
}

void TestMarkerLayer::unplaceableEntriesAreNeitherDrawnNorHit()
{
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    MapTestScene scene({800, 600}, "MarkerLayer { objectName: \"layer\" }",
                       "tilesEnabled: false; zoomLevel: 2; center: QtPositioning.coordinate(28.3, -15.8)");
    auto *layer = scene.find<MarkerLayer>("layer");
    auto data = std::make_shared<MarkerData>();
    const int style = data->addStyle({Qt::red, 28, {}});
    data->append(1, latitude, longitude, style);
    data->append(2, 28.3, -15.8, style);
    data->append(3, 0.0, 180.0, style);  // the antimeridian is a valid place, drawn once
    QVERIFY(!data->isDrawable(0));
    QVERIFY(data->isDrawable(2));
    const int before = layer->batchesBuilt();
    layer->setMarkerSet(setOf(data, {0, 1, 2}));
    QVERIFY(waitForBatch(layer, before));
    QCOMPARE(layer->drawnCount(), 2);
    QCOMPARE(layer->markerAt(scene.map->fromCoordinate(QGeoCoordinate(28.3, -15.8))), QStringLiteral("2"));
    QCOMPARE(layer->markerAt(scene.map->fromCoordinate(QGeoCoordinate(0, 180))), QStringLiteral("3"));
    // where the projection would have pinned it: nothing
    QCOMPARE(layer->markerAt(scene.map->fromCoordinate(QGeoCoordinate(85.05, -15.8))), QString());
}

void TestMarkerLayer::selectionLeavesTheBatchAlone()
{
    MapTestScene scene({800, 600}, "MarkerLayer { objectName: \"layer\" }", kCamera);
    auto *layer = scene.find<MarkerLayer>("layer");
    auto data = std::make_shared<MarkerData>();
    const int style = data->addStyle({Qt::red, 28, QStringLiteral("1.0")});
    for (int i = 0; i < 500; ++i)
        data->append(i, QGeoCoordinate(28.0 + (i % 25) * 0.1, -16.2 + (i / 25) * 0.1), style);
    std::vector<quint32> shown(500);
    std::iota(shown.begin(), shown.end(), 0);
    layer->setMarkerSet(setOf(data, shown));
    QVERIFY(waitForBatch(layer, 0));
    const int built = layer->batchesBuilt();
    const int drawn = layer->drawnCount();

    const QPointF p = scene.map->fromCoordinate(QGeoCoordinate(28.0, -16.2));
    QCOMPARE(layer->markerAt(p), QStringLiteral("0"));
    layer->setExcludedIds({QStringLiteral("0")});
    QCOMPARE(layer->markerAt(p), QString());  // the annotation in its place takes the taps
    layer->setExcludedIds({QStringLiteral("7")});
    QCOMPARE(layer->markerAt(p), QStringLiteral("0"));
    QTest::qWait(100);
    QCOMPARE(layer->batchesBuilt(), built);
    QVERIFY(!layer->isBuilding());
    QCOMPARE(layer->drawnCount(), drawn);
}

void TestMarkerLayer::newerSetWinsOverABatchInFlight()
{
    MapTestScene scene({800, 600}, "MarkerLayer { objectName: \"layer\" }", kCamera);
    auto *layer = scene.find<MarkerLayer>("layer");
    auto data = std::make_shared<MarkerData>();
    const int style = data->addStyle({Qt::red, 10, {}});
    for (int i = 0; i < 200000; ++i)
        data->append(i, QGeoCoordinate(27.9 + (i % 400) * 0.002, -16.3 + (i / 400) * 0.002), style);
    std::vector<quint32> all(200000);
    std::iota(all.begin(), all.end(), 0);
    layer->setMarkerSet(setOf(data, all));
    QTRY_VERIFY_WITH_TIMEOUT(layer->isBuilding(), TestWait::bound);
    // a filter narrows the set while the first batch is built: only the narrow one shows
    layer->setMarkerSet(setOf(data, {0, 1, 2}));
    QTRY_VERIFY_WITH_TIMEOUT(!layer->isBuilding() && layer->drawnCount() == 3, TestWait::bound);
    QTest::qWait(100);
    QCOMPARE(layer->drawnCount(), 3);
}

void TestMarkerLayer::zoomKeepsTheOldBatchUntilTheNewOne()
{
    MapTestScene scene({800, 600}, "MarkerLayer { objectName: \"layer\" }", kCamera);
    auto *layer = scene.find<MarkerLayer>("layer");
    auto data = std::make_shared<MarkerData>();
    const int style = data->addStyle({Qt::blue, 28, {}});
    data->append(1, kCentre, style);
    layer->setMarkerSet(setOf(data, {0}));
    QVERIFY(waitForBatch(layer, 0));
    const int built = layer->batchesBuilt();
    scene.map->zoomAround(1.0, QPointF(100, 100));
    // the batch waits for the worker; the marker is not lost meanwhile
    QVERIFY(waitForBatch(layer, built));
    QCOMPARE(layer->drawnCount(), 1);
    const QImage img = scene.grab();
    QVERIFY(colorNear(img.pixelColor(scene.map->fromCoordinate(kCentre).toPoint()), Qt::blue));
    // a short pan moves the batch without rebuilding it
    const int afterZoom = layer->batchesBuilt();
    scene.map->pan(20, 10);
    QTest::qWait(100);
    QCOMPARE(layer->batchesBuilt(), afterZoom);
}

void TestMarkerLayer::destroyedWithABuildInFlight()
{
    auto data = std::make_shared<MarkerData>();
    const int style = data->addStyle({Qt::red, 10, {}});
    for (int i = 0; i < 300000; ++i)
        data->append(i, QGeoCoordinate(27.9 + (i % 500) * 0.002, -16.3 + (i / 500) * 0.002), style);
    std::vector<quint32> all(300000);
    std::iota(all.begin(), all.end(), 0);
    {
        MapTestScene scene({800, 600}, "MarkerLayer { objectName: \"layer\" }", kCamera);
        auto *layer = scene.find<MarkerLayer>("layer");
        layer->setMarkerSet(setOf(data, all));
        QTRY_VERIFY_WITH_TIMEOUT(layer->isBuilding(), TestWait::bound);
    }
    // the worker finishes after the layer is gone; its batch must go nowhere
    QVERIFY(QThreadPool::globalInstance()->waitForDone(TestWait::bound));
    QVERIFY(data.use_count() == 1);
}

void TestMarkerLayer::buriedMarkersAreDropped()
{
    // a dense swarm: 2,000 markers within 60 pixels, most of them under the ones drawn later
    const double scale = MapProjection::worldScale(9);
    const QPointF centre = MapProjection::toWorld(kCentre);
    auto data = std::make_shared<MarkerData>();
    const int style = data->addStyle({Qt::red, 28, {}});
    QRandomGenerator rng(7);
    for (int i = 0; i < 1999; ++i)
        data->append(i, MapProjection::fromWorld(centre + QPointF(rng.bounded(60.0), rng.bounded(60.0)) / scale), style);
    data->append(1999, MapProjection::fromWorld(centre + QPointF(30, 30) / scale), style);
    std::vector<quint32> all(2000);
    std::iota(all.begin(), all.end(), 0);
    MarkerBatch::Input in;
    in.set = setOf(data, all);
    in.spriteOfStyle = {0};
    in.sprites = {{QRectF(0, 0, 34, 34), QSizeF(34, 34)}};
    in.scale = scale;
    in.canvas = QSizeF(800, 600);
    in.origin = centre - QPointF(400, 300) / scale;
    const MarkerBatch::Output out = MarkerBatch::build(in);
    QVERIFY2(out.drawn < 1000, qPrintable(QString::number(out.drawn)));
    QCOMPARE(out.placed.size(), size_t(out.drawn));
    // the topmost marker is always kept, and drawn last
    const QPointF last = out.placed.back().topLeft;
    const QPointF top = (centre + QPointF(30, 30) / scale - in.origin) * scale;
    QVERIFY(std::abs(last.x() + 17 - top.x()) <= 1 && std::abs(last.y() + 17 - top.y()) <= 1);
}

void TestMarkerLayer::stackedMarkersKeepTheTopAndLargerOnes()
{
    // 5,000 markers on four points; under the second point's pile lies one larger marker
    const double scale = MapProjection::worldScale(9);
    const QPointF centre = MapProjection::toWorld(kCentre);
    auto data = std::make_shared<MarkerData>();
    const int small = data->addStyle({Qt::red, 28, {}});
    const int large = data->addStyle({Qt::blue, 36, {}});
    const int seeThrough = data->addStyle({QColor(0, 255, 0, 120), 40, {}});
    data->append(0, MapProjection::fromWorld(centre + QPointF(100, 0) / scale), large);
    for (int i = 1; i < 5000; ++i)
        data->append(i, MapProjection::fromWorld(centre + QPointF(i % 4 * 100, 0) / scale), small);
    // a translucent marker on top hides nothing below it
    data->append(5000, MapProjection::fromWorld(centre + QPointF(200, 0) / scale), seeThrough);
    std::vector<quint32> all(5001);
    std::iota(all.begin(), all.end(), 0);
    MarkerBatch::Input in;
    in.set = setOf(data, all);
    in.spriteOfStyle = {0, 1, 2};
    in.sprites = {{QRectF(0, 0, 34, 34), QSizeF(34, 34)}, {QRectF(40, 0, 42, 42), QSizeF(42, 42)},
                  {QRectF(90, 0, 46, 46), QSizeF(46, 46)}};
    in.scale = scale;
    in.canvas = QSizeF(800, 600);
    in.origin = centre - QPointF(400, 300) / scale;
    std::vector<int> positions(5001);
    std::iota(positions.begin(), positions.end(), 0);
    const std::vector<int> kept = MarkerBatch::dropStacked(in, positions, QRectF(-40, -40, 880, 680));
    // the top of each pile, the larger one under the second, and the translucent one on the third
    QCOMPARE(kept, (std::vector<int>{0, 4996, 4997, 4998, 4999, 5000}));
}

void TestMarkerLayer::canvasPictureHoldsEachSpriteAtItsPlace_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("1x") << qreal(1);
    QTest::newRow("2x") << qreal(2);
}

// The worker's picture of the canvas is the whole batch: device pixels at the window's
// ratio, each sprite copied whole at its marker, later markers over earlier ones.
void TestMarkerLayer::canvasPictureHoldsEachSpriteAtItsPlace()
{
    QFETCH(qreal, dpr);
    const double scale = MapProjection::worldScale(9);
    const QPointF origin = MapProjection::toWorld(kCentre);
    auto data = std::make_shared<MarkerData>();
    const int red = data->addStyle({Qt::red, 10, {}});
    const int blue = data->addStyle({Qt::blue, 10, {}});
    data->append(0, MapProjection::fromWorld(origin + QPointF(100, 50) / scale), red);
    data->append(1, MapProjection::fromWorld(origin + QPointF(104, 50) / scale), blue);
    data->append(2, MapProjection::fromWorld(origin + QPointF(300, 200) / scale), red);
    // a sprite is a square of its colour, 10 pixels a side
    QImage atlas(int(40 * dpr), int(10 * dpr), QImage::Format_RGBA8888_Premultiplied);
    atlas.fill(Qt::transparent);
    QPainter(&atlas).fillRect(QRectF(0, 0, 10 * dpr, 10 * dpr), Qt::red);
    QPainter(&atlas).fillRect(QRectF(20 * dpr, 0, 10 * dpr, 10 * dpr), Qt::blue);
    MarkerBatch::Input in;
    in.set = setOf(data, {0, 1, 2});
    in.spriteOfStyle = {0, 1};
    in.sprites = {{QRectF(0, 0, 10 * dpr, 10 * dpr), QSizeF(10, 10)}, {QRectF(20 * dpr, 0, 10 * dpr, 10 * dpr), QSizeF(10, 10)}};
    in.atlas = atlas;
    in.dpr = dpr;
    in.scale = scale;
    in.origin = origin;
    in.canvas = QSizeF(400, 300);
    const MarkerBatch::Output out = MarkerBatch::build(in);
    QCOMPARE(out.drawn, 3);
    // the tiles that hold a marker, and no other
    QCOMPARE(out.tiles.size(), size_t(2));
    auto at = [&](double x, double y) {
        const QPoint p = QPointF(x * dpr, y * dpr).toPoint();
        for (const MarkerBatch::Tile &tile : out.tiles) {
            if (tile.rect.contains(p))
                return tile.image.pixelColor(p - tile.rect.topLeft());
        }
        return QColor(Qt::transparent);
    };
    QCOMPARE(at(97, 50), QColor(Qt::red));     // the first one's left, not covered
    QCOMPARE(at(102, 50), QColor(Qt::blue));   // under the second, drawn later
    QCOMPARE(at(108, 50), QColor(Qt::blue));
    QCOMPARE(at(300, 200), QColor(Qt::red));
    QCOMPARE(at(290, 200).alpha(), 0);
    QCOMPARE(at(200, 120).alpha(), 0);
}

// A page of ever new magnitudes: every entry keeps its own colour, the styles (sprites in the
// atlas, 16-bit indices) stop growing, and no index wraps onto another entry's style.
void TestMarkerLayer::countlessLabelsKeepStylesBounded()
{
    MarkerData data;
    const QColor colours[] = {Qt::red, Qt::green};
    const int n = 70000;
    for (int i = 0; i < n; ++i)
        data.append(i, kCentre, data.addStyle({colours[i % 2], 28, QString::number(i) + QStringLiteral(".0")}));
    QCOMPARE(data.styles().size(), MarkerData::kMaxLabelledStyles + 2);  // one bare disc per colour
    for (int i : {0, 1, 4095, 4096, 4097, 65535, 65536, n - 1}) {
        const MarkerData::Style &style = data.styles()[data.styleOf(size_t(i))];
        QCOMPARE(style.color, colours[i % 2]);
        QCOMPARE(style.label, i < MarkerData::kMaxLabelledStyles ? QString::number(i) + QStringLiteral(".0") : QString());
    }
}

QTEST_MAIN(TestMarkerLayer)
#include "tst_markerlayer.moc"
