// Renders the map to PNG files so that its look can be judged:
//   map_render <out-dir> [--dark] [--markers N]
// writes <out-dir>/map-islands.png (the islands' default region at 1100x720 with markers),
// map-z<zoom>.png (closer looks at zooms 9.5, 11.5 and 13.5) and map-detail.png (a 0.3-degree
// span around an event, with its ripple marker).
#include "GeoMap.h"
#include "MarkerLayer.h"
#include "Models/MagnitudeCategory.h"
#include "Models/Region.h"
#include "Platform/FixedFormat.h"

#include <QDir>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QRandomGenerator>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>
#include <cstdio>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

namespace {

// Events clustered where the islands' seismicity is: around Tenerife, Gran Canaria, La Palma,
// El Hierro and in the channel between Tenerife and Gran Canaria.
QList<MapMarker> sampleMarkers(int n, quint32 seed)
{
    struct Cluster { double lat, lon, sigma; };
    const Cluster clusters[] = {{28.05, -16.1, 0.35}, {27.6, -18.1, 0.3}, {28.7, -18.0, 0.3},
                                {27.85, -15.3, 0.35}, {28.4, -16.9, 0.3}, {29.2, -13.9, 0.4},
                                {28.5, -15.2, 0.5}, {27.4, -16.5, 0.6}};
    QRandomGenerator rng(seed);
    QList<MapMarker> out;
    for (int i = 0; i < n; ++i) {
        const Cluster &c = clusters[rng.bounded(int(std::size(clusters)))];
        const double lat = c.lat + rng.generateDouble() * c.sigma * 2 - c.sigma;
        const double lon = c.lon + rng.generateDouble() * c.sigma * 2 - c.sigma;
        double mag = 0.5 + 2.5 * rng.generateDouble() * rng.generateDouble() + (rng.bounded(40) == 0 ? 1.5 : 0);
        MapMarker m;
        m.id = QString::number(i);
        m.coordinate = QGeoCoordinate(lat, lon);
        m.color = MagnitudeCategory::from(mag).color();
        m.diameter = MarkerData::kDiameter;
        m.label = FixedFormat::oneDecimal(mag);
        out.append(m);
    }
    return out;
}

const char *kScene = R"(
import QtQuick
import Sismovantaquelorin.Map
Item {
    property alias map: map
    property alias markerLayer: layer
    property alias pulse: pulse
    GeoMap {
        id: map
        anchors.fill: parent
        tilesEnabled: false
        MarkerLayer { id: layer; z: 1 }
        MapAnnotation {
            id: pulse
            z: 2
            visible: false
            width: 22; height: 22
            anchorPoint: MapAnnotation.BottomCenter
            property color fill: "orange"
            RippleRing { anchors.centerIn: parent; delay: 0; baseSize: 22 }
            RippleRing { anchors.centerIn: parent; delay: 0.65; baseSize: 22 }
            RippleRing { anchors.centerIn: parent; delay: 1.3; baseSize: 22 }
            Rectangle { anchors.fill: parent; radius: width / 2; color: pulse.fill; border.color: "white"; border.width: 2 }
            Text { anchors.centerIn: parent; text: "\u2605"; color: "white"; font.pixelSize: 9; font.bold: true }
        }
    }
}
)";

bool grab(QQuickView &view, const QString &path, int waitMs)
{
    QEventLoop loop;
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    loop.exec();
    const QImage img = view.grabWindow();
    if (img.isNull() || !img.save(path)) {
        std::fprintf(stderr, "map_render: could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: map_render <out-dir> [--dark] [--markers N]\n");
        return 2;
    }
    const QString outDir = args[1];
    QDir().mkpath(outDir);
    const bool dark = args.contains(QStringLiteral("--dark"));
    int count = 300;
    if (const int i = args.indexOf(QStringLiteral("--markers")); i > 0 && i + 1 < args.size())
        count = args[i + 1].toInt();

    QQuickView view;
    view.engine()->addImportPath(QStringLiteral("qrc:/"));
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    QQmlComponent component(view.engine());
    component.setData(kScene, QUrl(QStringLiteral("qrc:/map_render.qml")));
    auto *root = qobject_cast<QQuickItem *>(component.create());
    if (!root) {
        std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
        return 1;
    }
    view.setContent(QUrl(), &component, root);
    view.resize(1100, 720);
    view.show();

    auto *map = root->property("map").value<GeoMap *>();
    auto *layer = root->property("markerLayer").value<MarkerLayer *>();
    auto *pulse = root->property("pulse").value<QQuickItem *>();
    map->setDark(dark);
    map->setRegion(Region::canaryIslands().mapRegion());
    const QList<MapMarker> markers = sampleMarkers(count, 7);
    layer->setMarkers(markers);
    const QString suffix = dark ? QStringLiteral("-dark") : QString();
    bool ok = grab(view, outDir + QStringLiteral("/map-islands%1.png").arg(suffix), 300);

    // Closer looks at Tenerife's north-east coast, where the finer coastline levels show.
    for (const double zoom : {9.5, 11.5, 13.5}) {
        map->setCenter(QGeoCoordinate(28.45, -16.3));
        map->setZoomLevel(zoom);
        ok = grab(view, outDir + QStringLiteral("/map-z%1%2.png").arg(zoom).arg(suffix), 300) && ok;
    }

    // The detail screen's map: a 0.3-degree span around one event, the others as small dots.
    const QGeoCoordinate event(28.45, -16.25);
    QList<MapMarker> dots;
    for (const MapMarker &m : markers) {
        MapMarker d = m;
        d.diameter = 14;
        d.label.clear();
        QColor c = m.color;
        c.setAlphaF(0.55);
        d.color = c;
        dots.append(d);
    }
    layer->setShadowRadius(0);
    layer->setMarkers(dots);
    pulse->setProperty("coordinate", QVariant::fromValue(event));
    pulse->setProperty("fill", MagnitudeCategory::from(3.1).color());
    pulse->setVisible(true);
    view.resize(760, 300);
    map->fitRegion(event, 0.3, 0.3);
    ok = grab(view, outDir + QStringLiteral("/map-detail%1.png").arg(suffix), 1500) && ok;
    return ok ? 0 : 1;
}
