// Frame times while panning the map with 1,000, 10,000 and 100,000 markers on the batched
// layer, and with 10,000 markers as one QML item each (the naive map), in one run.
// Prints: bench map_pan <N>markers ours_ms=<ms/frame> [naive_qml_items_ms=<ms/frame> ratio=<naive/ours>]
// Under a headless run it starts itself again under Xvfb, so the scene graph renders with
// OpenGL (Mesa) as on a desktop; without Xvfb it measures Qt Quick's software renderer.
#include "GpuWindow.h"
#include "GeoMap.h"
#include "MapAnnotation.h"
#include "MarkerLayer.h"
#include "Models/Region.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickView>
#include <QRandomGenerator>
#include <QSGRendererInterface>
#include <QSurfaceFormat>
#include <QtQml/qqmlextensionplugin.h>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

namespace {

constexpr int kWarmup = 10;
constexpr int kFrames = 200;
const std::vector<int> kSizes = std::getenv("SISMO_BENCH_MAP_QUICK") ? std::vector<int>{100000} : std::vector<int>{1000, 10000, 100000};

QColor categoryColor(double mag)
{
    if (mag < 2) return QColor::fromRgbF(1.0, 0.97, 0.65);
    if (mag < 4) return QColor::fromRgbF(1.0, 0.85, 0.0);
    if (mag < 6) return QColor::fromRgbF(1.0, 0.6, 0.0);
    return QColor::fromRgbF(0.9, 0.35, 0.0);
}

// Events clustered around the islands, magnitudes mostly small.
QList<MapMarker> markers(int n)
{
    struct Cluster { double lat, lon, sigma; };
    const Cluster clusters[] = {{28.1, -16.2, 0.25}, {27.7, -17.9, 0.2}, {28.6, -17.85, 0.2},
                                {28.05, -15.7, 0.3}, {28.3, -16.6, 0.2}, {29.0, -13.6, 0.4},
                                {27.8, -15.0, 0.6}};
    QRandomGenerator rng(42);
    QList<MapMarker> out;
    out.reserve(n);
    for (int i = 0; i < n; ++i) {
        const Cluster &c = clusters[rng.bounded(int(std::size(clusters)))];
        const double mag = int((0.3 + 3.5 * rng.generateDouble() * rng.generateDouble()) * 10) / 10.0;
        MapMarker m;
        m.id = QString::number(i);
        m.coordinate = QGeoCoordinate(c.lat + (rng.generateDouble() * 2 - 1) * c.sigma,
                                      c.lon + (rng.generateDouble() * 2 - 1) * c.sigma);
        m.color = categoryColor(mag);
        m.diameter = 28;
        m.label = QString::number(mag, 'f', 1);
        out.append(m);
    }
    return out;
}

double lastWorstMs = 0;

// Milliseconds per frame over kFrames frames of a steady back-and-forth pan.
double panFrameMs(QQuickView &view, GeoMap *map)
{
    int swapped = 0;
    auto conn = QObject::connect(&view, &QQuickWindow::frameSwapped, &view, [&] { ++swapped; });
    double worst = 0;
    // 8 pixels a frame, 800 pixels out and back: long enough to include the batch's rebuilds
    auto frame = [&](int i) {
        QElapsedTimer one;
        one.start();
        const int before = swapped;
        const double dx = (i / 100) % 2 == 0 ? 8.0 : -8.0;
        map->pan(dx, dx / 2);
        QElapsedTimer guard;
        guard.start();
        while (swapped == before && guard.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        worst = std::max(worst, one.nsecsElapsed() / 1e6);
    };
    for (int i = 0; i < kWarmup; ++i)
        frame(i);
    worst = 0;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kFrames; ++i)
        frame(i);
    const double ms = t.nsecsElapsed() / 1e6 / kFrames;
    QObject::disconnect(conn);
    lastWorstMs = worst;
    return ms;
}

struct Scene {
    QQuickView view;
    GeoMap *map = nullptr;
    MarkerLayer *layer = nullptr;

    Scene()
    {
        view.engine()->addImportPath(QStringLiteral("qrc:/"));
        view.setResizeMode(QQuickView::SizeRootObjectToView);
        QQmlComponent c(view.engine());
        c.setData("import QtQuick\nimport Sismovantaquelorin.Map\n"
                  "GeoMap { tilesEnabled: false; MarkerLayer { objectName: \"layer\" } }",
                  QUrl(QStringLiteral("qrc:/bench_map.qml")));
        map = qobject_cast<GeoMap *>(c.create());
        if (!map) {
            std::fprintf(stderr, "%s\n", qPrintable(c.errorString()));
            std::exit(1);
        }
        view.setContent(QUrl(), &c, map);
        view.resize(1100, 720);
        view.show();
        map->setRegion(Region::canaryIslands().mapRegion());
        map->zoomAround(0.5, QPointF(550, 360));  // the islands fill the window
        layer = map->findChild<MarkerLayer *>(QStringLiteral("layer"));
    }
};

double ours(int n)
{
    Scene s;
    s.layer->setMarkers(markers(n));
    const double ms = panFrameMs(s.view, s.map);
    if (n > 0)
        std::printf("# map_pan %d markers: %d drawn after buried ones are dropped, slowest frame %.1f ms\n", n,
                    s.layer->drawnCount(), lastWorstMs);
    return ms;
}

double naive(int n)
{
    Scene s;
    QQmlComponent c(s.view.engine());
    c.setData("import QtQuick\nimport Sismovantaquelorin.Map\n"
              "MapAnnotation { width: 28; height: 28; property color fill; property string label\n"
              "  Rectangle { anchors.fill: parent; radius: 14; color: parent.fill }\n"
              "  Text { anchors.centerIn: parent; text: parent.label; font.pixelSize: 9; font.bold: true;"
              " color: Qt.rgba(0, 0, 0, 0.75) } }",
              QUrl(QStringLiteral("qrc:/bench_naive.qml")));
    const QList<MapMarker> ms = markers(n);
    for (const MapMarker &m : ms) {
        auto *a = qobject_cast<MapAnnotation *>(c.beginCreate(s.view.engine()->rootContext()));
        a->setProperty("fill", m.color);
        a->setProperty("label", m.label);
        a->setCoordinate(m.coordinate);
        a->setParentItem(s.map->contentLayer());
        a->setParent(s.map->contentLayer());
        c.completeCreate();
    }
    return panFrameMs(s.view, s.map);
}

}  // namespace

int main(int argc, char *argv[])
{
    bench::rerunUnderXvfbIfHeadless(argc, argv);
    bench::renderUnthrottled();
    QGuiApplication app(argc, argv);

    {
        Scene probe;
        std::printf("# map_pan renderer: %s, platform %s\n", qPrintable(bench::rendererName(probe.view)),
                    qPrintable(QGuiApplication::platformName()));
    }
    {
        // the floor: an empty window of the same size
        QQuickView empty;
        empty.resize(1100, 720);
        empty.setColor(Qt::white);
        empty.show();
        GeoMap dummy;
        int swapped = 0;
        QObject::connect(&empty, &QQuickWindow::frameSwapped, &empty, [&] { ++swapped; });
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 100; ++i) {
            const int before = swapped;
            empty.update();
            while (swapped == before)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        std::printf("# map_pan empty window: %.3f ms per frame\n", t.nsecsElapsed() / 1e6 / 100);
    }
    std::printf("# map_pan base map alone: %.3f ms per frame\n", ours(0));
    for (int n : kSizes) {
        const double o = ours(n);
        if (n == 10000) {
            const double b = naive(n);
            std::printf("bench map_pan %dmarkers ours_ms=%.3f naive_qml_items_ms=%.3f ratio=%.1f\n", n, o, b, b / o);
        } else {
            std::printf("bench map_pan %dmarkers ours_ms=%.3f\n", n, o);
        }
        std::fflush(stdout);
    }
    return 0;
}
