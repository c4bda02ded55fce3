#include "CoastGeometry.h"
#include "CoastNode.h"
#include "MapAnnotation.h"
#include "Map/MapProjection.h"
#include "MapTestScene.h"
#include "Models/Region.h"
#include "TestWait.h"

#include <QSGGeometryNode>
#include <QSignalSpy>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

class TestGeoMap : public QObject
{
    Q_OBJECT

private slots:
    void projectionRoundTrip_data();
    void projectionRoundTrip();
    void itemCoordinatesRoundTrip();
    void regionFitsBothSpans_data();
    void regionFitsBothSpans();
    void regionFollowsResizeUntilTheUserMoves();
    void annotationsSitAtTheirCoordinate_data();
    void annotationsSitAtTheirCoordinate();
    void topmostMarkerWinsAndBackgroundTapsPassThrough();
    void annotationWithMouseAreaTakesItsTap();
    void gesturesMoveTheCamera();
    void nonInteractiveMapIgnoresGestures();
    void renderShowsLandSeaAndMarkers();
    void coastChunksHoldTheWholeLevel();
    void coastFollowsTheCameraWithoutRebuildingItsLand();
    void rippleRingStartsAfterItsDelayAndDiesWithItsOwner();
};

void TestGeoMap::projectionRoundTrip_data()
{
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("expectedLat");  // after the clamp to the projection's limit
    QTest::newRow("origin") << 0.0 << 0.0 << 0.0;
    QTest::newRow("tenerife") << 28.27 << -16.64 << 28.27;
    QTest::newRow("south-west") << -60.5 << -179.9 << -60.5;
    QTest::newRow("limit") << 85.0511 << 179.0 << 85.0511;
    QTest::newRow("pole clamps") << 89.9 << 10.0 << MapProjection::kMaxLatitude;
    QTest::newRow("south pole clamps") << -90.0 << 10.0 << -MapProjection::kMaxLatitude;
}

void TestGeoMap::projectionRoundTrip()
{
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(double, expectedLat);
    const QPointF w = MapProjection::toWorld(lat, lon);
    QVERIFY(w.x() >= 0 && w.x() <= 1 && w.y() >= 0 && w.y() <= 1);
    const QGeoCoordinate back = MapProjection::fromWorld(w);
    QVERIFY2(std::abs(back.latitude() - expectedLat) < 1e-9, qPrintable(QString::number(back.latitude(), 'g', 12)));
    QVERIFY(std::abs(back.longitude() - lon) < 1e-9);
}

void TestGeoMap::itemCoordinatesRoundTrip()
{
    MapTestScene scene({800, 600});
    QVERIFY(scene.map);
    QCOMPARE(MapProjection::toWorld(0, 0), QPointF(0.5, 0.5));
    for (double zoom : {3.0, 7.4, 12.0, 17.0}) {
        scene.map->setZoomLevel(zoom);
        scene.map->setCenter(QGeoCoordinate(28.3, -15.8));
        QCOMPARE(scene.map->fromCoordinate(QGeoCoordinate(28.3, -15.8)), QPointF(400, 300));
        for (const QPointF p : {QPointF(0, 0), QPointF(123.5, 456.25), QPointF(800, 600)}) {
            const QPointF back = scene.map->fromCoordinate(scene.map->toCoordinate(p));
            QVERIFY2(std::abs(back.x() - p.x()) < 1e-6 && std::abs(back.y() - p.y()) < 1e-6,
                     qPrintable(QStringLiteral("zoom %1").arg(zoom)));
        }
    }
}

void TestGeoMap::regionFitsBothSpans_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("window") << QSize(1100, 720);
    QTest::newRow("wide") << QSize(2000, 300);
    QTest::newRow("tall") << QSize(350, 1000);
    QTest::newRow("square") << QSize(600, 600);
    QTest::newRow("detail strip") << QSize(700, 300);
}

void TestGeoMap::regionFitsBothSpans()
{
    QFETCH(QSize, size);
    MapTestScene scene(size);
    const CoordinateRegion region = Region::canaryIslands().mapRegion();
    scene.map->setRegion(region);
    QCOMPARE(scene.map->region(), region);
    // every edge of the region inside the item, and one pair of edges touching it
    const QPointF nw = scene.map->fromCoordinate(QGeoCoordinate(28.3 + 4, -15.8 - 5));
    const QPointF se = scene.map->fromCoordinate(QGeoCoordinate(28.3 - 4, -15.8 + 5));
    QVERIFY2(nw.x() >= -0.01 && nw.y() >= -0.01 && se.x() <= size.width() + 0.01 && se.y() <= size.height() + 0.01,
             qPrintable(QStringLiteral("%1,%2 %3,%4").arg(nw.x()).arg(nw.y()).arg(se.x()).arg(se.y())));
    const bool widthTight = std::abs(nw.x()) < 0.01 && std::abs(se.x() - size.width()) < 0.01;
    // the centre stays in the middle, so only the taller (northern) half touches
    const bool heightTight = std::abs(nw.y()) < 0.01 || std::abs(se.y() - size.height()) < 0.01;
    QVERIFY(widthTight || heightTight);
    const CoordinateRegion shown = scene.map->visibleRegion();
    QVERIFY(shown.span.latitudeDelta >= 8.0 - 1e-6);
    QVERIFY(shown.span.longitudeDelta >= 10.0 - 1e-6);
    QVERIFY(std::abs(shown.center.longitude() + 15.8) < 1e-9);
    QVERIFY(std::abs(scene.map->center().latitude() - 28.3) < 1e-9);
}

void TestGeoMap::regionFollowsResizeUntilTheUserMoves()
{
    MapTestScene scene({1100, 720});
    scene.map->setRegion(Region::canaryIslands().mapRegion());
    QSignalSpy visible(scene.map, &GeoMap::visibleRegionChanged);
    scene.view->resize(400, 900);
    QTRY_COMPARE_WITH_TIMEOUT(scene.map->width(), 400.0, TestWait::bound);
    QVERIFY(!visible.isEmpty());
    QVERIFY(scene.map->visibleRegion().span.longitudeDelta >= 10.0 - 1e-6);
    QVERIFY(std::abs(scene.map->visibleRegion().span.longitudeDelta - 10.0) < 1e-6);  // now width-bound

    scene.map->pan(50, 0);
    const double zoom = scene.map->zoomLevel();
    const QGeoCoordinate centre = scene.map->center();
    scene.view->resize(900, 900);
    QTRY_COMPARE_WITH_TIMEOUT(scene.map->width(), 900.0, TestWait::bound);
    QCOMPARE(scene.map->zoomLevel(), zoom);
    QCOMPARE(scene.map->center(), centre);
}

void TestGeoMap::annotationsSitAtTheirCoordinate_data()
{
    QTest::addColumn<QByteArray>("anchor");
    QTest::addColumn<QPointF>("anchorInFrame");
    QTest::newRow("centre") << QByteArray("MapAnnotation.Center") << QPointF(10, 15);
    QTest::newRow("bottom centre") << QByteArray("MapAnnotation.BottomCenter") << QPointF(10, 30);
}

void TestGeoMap::annotationsSitAtTheirCoordinate()
{
    QFETCH(QByteArray, anchor);
    QFETCH(QPointF, anchorInFrame);
    MapTestScene scene({800, 600},
                       "MapAnnotation { objectName: \"a\"; width: 20; height: 30; anchorPoint: " + anchor
                           + "; coordinate: QtPositioning.coordinate(28.27, -16.64) }\n"
                             "Repeater { model: 1; MapAnnotation { objectName: \"nested\"; width: 4; height: 4;"
                             " coordinate: QtPositioning.coordinate(28.0, -15.5) } }",
                       "tilesEnabled: false; zoomLevel: 8; center: QtPositioning.coordinate(28.3, -15.8)");
    // QtPositioning for the coordinate literals
    QVERIFY(scene.map);
    auto *a = scene.find<MapAnnotation>("a");
    auto *nested = scene.find<MapAnnotation>("nested");
    QVERIFY(a && nested);
    auto check = [&] {
        const QPointF expected = scene.map->fromCoordinate(QGeoCoordinate(28.27, -16.64));
        const QPointF at = a->mapToItem(scene.map, anchorInFrame);
        return std::abs(at.x() - expected.x()) <= 0.5 && std::abs(at.y() - expected.y()) <= 0.5;
    };
    QVERIFY(check());
    scene.map->pan(-37.3, 12.6);
    QVERIFY(check());
    scene.map->zoomAround(1.5, QPointF(100, 100));
    QVERIFY(check());
    const QPointF n = scene.map->fromCoordinate(QGeoCoordinate(28.0, -15.5));
    QVERIFY(std::abs(nested->mapToItem(scene.map, QPointF(2, 2)).x() - n.x()) <= 0.5);
    // the map clips its content to its bounds, never the annotation's own frame
    QVERIFY(!a->clip());
}

namespace {
MapMarker marker(const char *id, const QGeoCoordinate &c, QColor color = Qt::red, double d = 28)
{
    MapMarker m;
    m.id = QString::fromLatin1(id);
    m.coordinate = c;
    m.color = color;
    m.diameter = d;
    m.label = QStringLiteral("3.1");
    return m;
}
}  // namespace

void TestGeoMap::topmostMarkerWinsAndBackgroundTapsPassThrough()
{
    MapTestScene scene({800, 600}, "MarkerLayer { objectName: \"layer\" }",
                       "tilesEnabled: false; zoomLevel: 9; center: QtPositioning.coordinate(28.3, -15.8)");
    auto *layer = scene.find<MarkerLayer>("layer");
    QVERIFY(layer);
    const QGeoCoordinate c(28.3, -15.8);
    const QPointF p = scene.map->fromCoordinate(c);
    const QGeoCoordinate c2 = scene.map->toCoordinate(p + QPointF(10, 0));
    layer->setMarkers({marker("under", c), marker("over", c2), marker("far", scene.map->toCoordinate(QPointF(50, 50)))});

    QCOMPARE(layer->markerAt(p + QPointF(5, 0)), QStringLiteral("over"));   // overlap: later wins
    QCOMPARE(layer->markerAt(p - QPointF(8, 0)), QStringLiteral("under"));  // only the lower one
    QCOMPARE(layer->markerAt(QPointF(400, 500)), QString());
    layer->setExcludedIds({QStringLiteral("over")});
    QCOMPARE(layer->markerAt(p + QPointF(5, 0)), QStringLiteral("under"));
    layer->setExcludedIds({});

    QSignalSpy markerTaps(layer, &MarkerLayer::markerTapped);
    QSignalSpy mapTaps(scene.map, &GeoMap::tapped);
    QTest::mouseClick(scene.view.get(), Qt::LeftButton, {}, (p + QPointF(5, 0)).toPoint());
    QCOMPARE(markerTaps.size(), 1);
    QCOMPARE(markerTaps.at(0).at(0).toString(), QStringLiteral("over"));
    QCOMPARE(mapTaps.size(), 0);

    QTest::mouseClick(scene.view.get(), Qt::LeftButton, {}, QPoint(400, 500));
    QCOMPARE(markerTaps.size(), 1);
    QCOMPARE(mapTaps.size(), 1);
    const auto tappedAt = mapTaps.at(0).at(0).value<QGeoCoordinate>();
    const QPointF back = scene.map->fromCoordinate(tappedAt);
    QVERIFY(std::abs(back.x() - 400) < 0.01 && std::abs(back.y() - 500) < 0.01);

    // a drag is a pan, not a tap
    const QPointF before = scene.map->fromCoordinate(c);
    QTest::mousePress(scene.view.get(), Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseMove(scene.view.get(), QPoint(320, 310));
    QTest::mouseMove(scene.view.get(), QPoint(360, 330));
    QTest::mouseRelease(scene.view.get(), Qt::LeftButton, {}, QPoint(360, 330));
    QCOMPARE(mapTaps.size(), 1);
    const QPointF after = scene.map->fromCoordinate(c);
    QVERIFY(std::abs(after.x() - before.x() - 60) < 0.5 && std::abs(after.y() - before.y() - 30) < 0.5);
}

void TestGeoMap::annotationWithMouseAreaTakesItsTap()
{
    MapTestScene scene({600, 400},
                       "MarkerLayer { objectName: \"layer\"; z: 1 }\n"
                       "MapAnnotation { objectName: \"a\"; z: 2; width: 30; height: 30;"
                       " coordinate: QtPositioning.coordinate(28.3, -15.8);"
                       " property int taps: 0; MouseArea { anchors.fill: parent; onClicked: parent.taps++ } }",
                       "tilesEnabled: false; zoomLevel: 9; center: QtPositioning.coordinate(28.3, -15.8)");
    auto *layer = scene.find<MarkerLayer>("layer");
    auto *a = scene.find<MapAnnotation>("a");
    layer->setMarkers({marker("below", QGeoCoordinate(28.3, -15.8))});
    QSignalSpy markerTaps(layer, &MarkerLayer::markerTapped);
    QSignalSpy mapTaps(scene.map, &GeoMap::tapped);
    QTest::mouseClick(scene.view.get(), Qt::LeftButton, {}, QPoint(300, 200));
    QCOMPARE(a->property("taps").toInt(), 1);
    QCOMPARE(markerTaps.size(), 0);
    QCOMPARE(mapTaps.size(), 0);
}

void TestGeoMap::gesturesMoveTheCamera()
{
    MapTestScene scene({800, 600}, {}, "tilesEnabled: false; zoomLevel: 8; center: QtPositioning.coordinate(28.3, -15.8)");
    // wheel zooms about the pointer: the coordinate under it stays put
    const QPointF pointer(200, 150);
    const QGeoCoordinate under = scene.map->toCoordinate(pointer);
    QWheelEvent wheel(pointer, scene.view->mapToGlobal(pointer.toPoint()), {}, QPoint(0, 240), Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(scene.view.get(), &wheel);
    QCOMPARE(scene.map->zoomLevel(), 9.0);
    const QPointF back = scene.map->fromCoordinate(under);
    QVERIFY(std::abs(back.x() - pointer.x()) < 1e-6 && std::abs(back.y() - pointer.y()) < 1e-6);

    QTest::mouseDClick(scene.view.get(), Qt::LeftButton, {}, QPoint(400, 300));
    QCOMPARE(scene.map->zoomLevel(), 10.0);
    QVERIFY(scene.map->hasActiveFocus());  // a press gives the keys to the map

    scene.map->forceActiveFocus();
    QTest::keyClick(scene.view.get(), Qt::Key_Minus);
    QTest::keyClick(scene.view.get(), Qt::Key_Minus);
    QCOMPARE(scene.map->zoomLevel(), 8.0);
    QTest::keyClick(scene.view.get(), Qt::Key_Plus);
    QCOMPARE(scene.map->zoomLevel(), 9.0);

    scene.map->setMaximumZoomLevel(9.5);
    QTest::keyClick(scene.view.get(), Qt::Key_Plus);
    QCOMPARE(scene.map->zoomLevel(), 9.5);
    scene.map->setMaximumZoomLevel(18);
    scene.map->setZoomLevel(7);  // a coarse coastline: each step of the pinch is a frame

    // two fingers spreading apart zoom about their middle, which stays put
    const QPointF middle(400, 300);
    const QGeoCoordinate between = scene.map->toCoordinate(middle);
    const double before = scene.map->zoomLevel();
    QPointingDevice *touch = QTest::createTouchDevice();
    QTest::touchEvent(scene.view.get(), touch).press(0, QPoint(350, 300)).press(1, QPoint(450, 300));
    for (int step = 1; step <= 25; ++step)
        QTest::touchEvent(scene.view.get(), touch).move(0, QPoint(350 - 2 * step, 300)).move(1, QPoint(450 + 2 * step, 300));
    QTest::touchEvent(scene.view.get(), touch).release(0, QPoint(300, 300)).release(1, QPoint(500, 300));
    // twice as far apart: a level in, less the spread before Qt recognises the pinch
    const double zoomed = scene.map->zoomLevel() - before;
    QVERIFY2(zoomed > 0.5 && zoomed <= 1.0, qPrintable(QString::number(zoomed)));
    const QPointF still = scene.map->fromCoordinate(between);
    QVERIFY2(std::abs(still.x() - middle.x()) < 3 && std::abs(still.y() - middle.y()) < 3,
             qPrintable(QStringLiteral("%1,%2").arg(still.x()).arg(still.y())));
}

void TestGeoMap::nonInteractiveMapIgnoresGestures()
{
    MapTestScene scene({800, 600}, {}, "tilesEnabled: false; interactive: false; zoomLevel: 8");
    const QGeoCoordinate centre = scene.map->center();
    QSignalSpy taps(scene.map, &GeoMap::tapped);
    QTest::mousePress(scene.view.get(), Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseMove(scene.view.get(), QPoint(350, 350));
    QTest::mouseRelease(scene.view.get(), Qt::LeftButton, {}, QPoint(350, 350));
    QWheelEvent wheel(QPointF(10, 10), scene.view->mapToGlobal(QPoint(10, 10)), {}, QPoint(0, 120), Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(scene.view.get(), &wheel);
    QCOMPARE(scene.map->zoomLevel(), 8.0);
    QCOMPARE(scene.map->center(), centre);
    QTest::mouseClick(scene.view.get(), Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(taps.size(), 1);  // taps still reach the caller
}

void TestGeoMap::renderShowsLandSeaAndMarkers()
{
    MapTestScene scene({1100, 720}, "MarkerLayer { objectName: \"layer\" }");
    scene.map->setRegion(Region::canaryIslands().mapRegion());
    auto *layer = scene.find<MarkerLayer>("layer");
    const QGeoCoordinate markerAt(29.5, -17.5);  // open sea north-west of La Palma
    const QColor markerColor(200, 30, 160);
    MapMarker m = marker("m", markerAt, markerColor, 28);
    m.label.clear();
    const QGeoCoordinate southEast(27.0, -15.2);  // the view's other quarter, south of Gran Canaria
    MapMarker m2 = marker("m2", southEast, Qt::blue, 28);
    m2.label.clear();
    layer->setMarkers({m, m2});
    // the batch is built off the frame: wait for it to reach the screen
    QTRY_VERIFY_WITH_TIMEOUT(layer->batchesBuilt() > 0 && !layer->isBuilding() && layer->drawnCount() == 2, TestWait::bound);

    const QImage img = scene.grab();
    QVERIFY(!img.isNull());
    auto pixel = [&](const QGeoCoordinate &c) {
        const QPointF p = scene.map->fromCoordinate(c);
        return img.pixelColor(p.toPoint());
    };
    QVERIFY2(colorNear(pixel(QGeoCoordinate(28.27, -16.64)), scene.map->landColor()),
             qPrintable(pixel(QGeoCoordinate(28.27, -16.64)).name()));
    QVERIFY2(colorNear(pixel(QGeoCoordinate(28.3, -15.8)), scene.map->seaColor()),
             qPrintable(pixel(QGeoCoordinate(28.3, -15.8)).name()));
    QVERIFY2(colorNear(pixel(markerAt), markerColor), qPrintable(pixel(markerAt).name()));
    QVERIFY2(colorNear(pixel(southEast), Qt::blue), qPrintable(pixel(southEast).name()));
    QVERIFY(colorNear(pixel(QGeoCoordinate(24.5, -13.0)), scene.map->landColor()));  // the African coast

    // the dark palette draws the same map in other colours
    scene.map->setDark(true);
    const QImage dark = scene.grab();
    const QPointF t = scene.map->fromCoordinate(QGeoCoordinate(28.27, -16.64));
    QVERIFY(colorNear(dark.pixelColor(t.toPoint()), scene.map->landColor()));
    QVERIFY(!colorNear(scene.map->landColor(), QColor(0xf3, 0xf0, 0xe8)));
}

// Cutting a level into chunks loses and doubles nothing: every triangle and every shore
// segment lands in exactly one chunk, and each chunk's bounds hold what it draws.
void TestGeoMap::coastChunksHoldTheWholeLevel()
{
    const CoastlineData &data = CoastlineData::bundled();
    QVERIFY(!data.isEmpty());
    for (int level = 0; level < data.levels().size(); ++level) {
        const CoastlineData::Level &lvl = data.levels()[level];
        qsizetype segments = 0;
        for (const CoastlineData::Line &line : lvl.lines)
            segments += line.points.size() < 2 ? 0 : (line.closed ? line.points.size() : line.points.size() - 1);
        qsizetype triangles = 0, pieces = 0;
        for (const CoastGeometry::Chunk &chunk : CoastGeometry::chunksOf(data, level)) {
            triangles += qsizetype(chunk.fillIndices.size()) / 3;
            for (const QPointF &p : chunk.fill)
                QVERIFY(chunk.bounds.adjusted(-1e-12, -1e-12, 1e-12, 1e-12).contains(p));
            for (const CoastGeometry::Line &line : chunk.lines)
                pieces += line.closed ? qsizetype(line.points.size()) : qsizetype(line.points.size()) - 1;
        }
        QCOMPARE(triangles, lvl.fillIndices.size() / 3);
        QCOMPARE(pieces, segments);
    }
}

// A frame draws the chunks in view alone, built when they first come into view. A zoom step
// moves and scales them: the land is never built again, only the shores in view (a strip
// keeps its width in pixels); a pan builds nothing, and a zoom back to a level seen before
// finds its chunks as they were.
void TestGeoMap::coastFollowsTheCameraWithoutRebuildingItsLand()
{
    const CoastlineData &data = CoastlineData::bundled();
    const QPointF centre = MapProjection::toWorld(28.45, -16.3);
    const QSizeF view(800, 600);
    const CoastNode::Look look{Qt::white, Qt::gray, 1.1};
    CoastNode node;
    auto show = [&](double zoom, QPointF shift = {}) {
        const double scale = MapProjection::worldScale(zoom);
        node.update(data, data.levelFor(zoom), centre + shift / scale - QPointF(view.width(), view.height()) / 2 / scale,
                    scale, view, look);
    };
    struct Seen {
        QSGGeometry *land, *shore;
        bool shown;
    };
    auto seen = [&] {
        std::vector<Seen> out;
        for (int i = 0; i < node.chunkCount(); ++i) {
            out.push_back({node.landOf(i) ? node.landOf(i)->geometry() : nullptr,
                           node.shoreOf(i) ? node.shoreOf(i)->geometry() : nullptr, node.isChunkShown(i)});
        }
        return out;
    };
    QCOMPARE(data.levelFor(11.25), data.levelFor(11.5));
    show(11.25);
    const std::vector<Seen> before = seen();
    const auto shownCount = std::count_if(before.cbegin(), before.cend(), [](const Seen &c) { return c.shown; });
    const auto builtCount = std::count_if(before.cbegin(), before.cend(), [](const Seen &c) { return c.land; });
    QVERIFY(shownCount > 0);
    QCOMPARE(builtCount, shownCount);
    QVERIFY2(shownCount * 4 < node.chunkCount(), qPrintable(QStringLiteral("%1 of %2").arg(shownCount).arg(node.chunkCount())));

    show(11.5);  // the same level, closer
    const std::vector<Seen> zoomed = seen();
    for (size_t i = 0; i < before.size(); ++i) {
        QCOMPARE(zoomed[i].land, before[i].land);
        QCOMPARE(zoomed[i].shore != before[i].shore, zoomed[i].shown);
    }
    show(11.5, QPointF(40, -25));
    const std::vector<Seen> panned = seen();
    for (size_t i = 0; i < before.size(); ++i) {
        if (zoomed[i].land)
            QCOMPARE(panned[i].land, zoomed[i].land);
        if (zoomed[i].shown)
            QCOMPARE(panned[i].shore, zoomed[i].shore);
    }
    show(9.5);  // another level, and back
    QVERIFY(data.levelFor(9.5) != data.levelFor(11.5));
    show(11.5, QPointF(40, -25));
    const std::vector<Seen> back = seen();
    for (size_t i = 0; i < before.size(); ++i) {
        QCOMPARE(back[i].land, panned[i].land);
        QCOMPARE(back[i].shore, panned[i].shore);
        QCOMPARE(back[i].shown, panned[i].shown);
    }
}

void TestGeoMap::rippleRingStartsAfterItsDelayAndDiesWithItsOwner()
{
    MapTestScene scene({300, 300},
                       "MapAnnotation { objectName: \"a\"; width: 22; height: 22;"
                       " coordinate: QtPositioning.coordinate(28.3, -15.8);"
                       " RippleRing { objectName: \"now\"; delay: 0; baseSize: 22 }"
                       " RippleRing { objectName: \"late\"; delay: 0.3; baseSize: 22 } }",
                       "tilesEnabled: false; zoomLevel: 8; center: QtPositioning.coordinate(28.3, -15.8)");
    auto *now = scene.find("now");
    auto *late = scene.find("late");
    QVERIFY(now && late);
    QCOMPARE(now->width(), 22.0);
    QCOMPARE(now->height(), 22.0);
    QTRY_VERIFY_WITH_TIMEOUT(now->property("animate").toBool(), TestWait::bound);
    QVERIFY(!late->property("animate").toBool());
    QTRY_VERIFY_WITH_TIMEOUT(now->property("progress").toDouble() > 0.05, TestWait::bound);
    QTRY_VERIFY_WITH_TIMEOUT(late->property("animate").toBool(), TestWait::bound);

    // a ring removed before its delay never starts anything
    MapTestScene other({300, 300},
                       "RippleRing { objectName: \"gone\"; delay: 0.2; baseSize: 22 }",
                       "tilesEnabled: false");
    delete other.find("gone");
    QTest::qWait(400);  // the timer would have fired here
}

QTEST_MAIN(TestGeoMap)
#include "tst_geomap.moc"
