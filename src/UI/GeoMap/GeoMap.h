#pragma once

#include "Platform/Geo.h"

#include <QColor>
#include <QGeoCoordinate>
#include <QPointF>
#include <QQmlListProperty>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

#include "MapCamera.h"
#include "TileLayer.h"
#include "TileSource.h"

// The map: a Web Mercator view bound to a camera (centre + zoom), drawing the bundled
// coastlines (land and sea, always, offline) and, when reachable, raster tiles over them.
// QML knows it as GeoMap (GeoMap.qml), which adds the gestures with Qt Quick's own pointer
// handlers; this item is its base, GeoMapBase.
//
// Camera
//   center, zoomLevel   read and write; every change emits cameraChanged and
//                       visibleRegionChanged. zoomLevel is the usual tile zoom (the world is
//                       256 * 2^zoom pixels wide), clamped to minimum/maximumZoomLevel.
//   region              assigning a CoordinateRegion fits it: the
//                       centre goes to the middle and both spans fit inside the item. The
//                       region keeps being fitted when the item is resized, until the camera
//                       is moved by the user or by setting center/zoomLevel. Reading gives the
//                       last region assigned. fitRegion(center, latDelta, lonDelta) is the
//                       same from QML.
//   visibleRegion       the region the item shows now (output).
//   interactive         whether the user may pan and zoom (drag, wheel, pinch, double tap,
//                       keys + and -). Default true.
//
// Content
//   Items declared inside a GeoMap go into a layer above the base map, clipped to the map's
//   bounds (not to their own frames). MapAnnotation children are kept at their coordinate;
//   MarkerLayer children follow the camera. Stacking follows the items' z, as usual.
//   A tap that no child takes (an annotation's MouseArea takes its own) is first offered to
//   the MarkerLayers, topmost first; when no marker is hit the map emits tapped(coordinate).
//
// Look
//   dark                the dark palette (default false: light). landColor, seaColor and
//                       coastColor follow it and can be set one by one.
//   tilesEnabled        draw online tiles over the coastlines (default true). Off for tests
//                       and renders.
//   tileUrlTemplate     default https://tile.openstreetmap.org/{z}/{x}/{y}.png
//   attribution         shown at the bottom right while tiles are drawn
//                       (default "© OpenStreetMap contributors").
//   tileCacheDirectory  default QStandardPaths::CacheLocation + "/tiles".
class GeoMap : public QQuickItem
{
    Q_OBJECT
    QML_NAMED_ELEMENT(GeoMapBase)
    Q_PROPERTY(QGeoCoordinate center READ center WRITE setCenter NOTIFY cameraChanged)
    Q_PROPERTY(double zoomLevel READ zoomLevel WRITE setZoomLevel NOTIFY cameraChanged)
    Q_PROPERTY(double minimumZoomLevel READ minimumZoomLevel WRITE setMinimumZoomLevel NOTIFY zoomLimitsChanged)
    Q_PROPERTY(double maximumZoomLevel READ maximumZoomLevel WRITE setMaximumZoomLevel NOTIFY zoomLimitsChanged)
    Q_PROPERTY(CoordinateRegion region READ region WRITE setRegion NOTIFY regionChanged)
    Q_PROPERTY(CoordinateRegion visibleRegion READ visibleRegion NOTIFY visibleRegionChanged)
    Q_PROPERTY(bool interactive READ isInteractive WRITE setInteractive NOTIFY interactiveChanged)
    Q_PROPERTY(bool dark READ isDark WRITE setDark NOTIFY paletteChanged)
    Q_PROPERTY(QColor landColor READ landColor WRITE setLandColor NOTIFY paletteChanged)
    Q_PROPERTY(QColor seaColor READ seaColor WRITE setSeaColor NOTIFY paletteChanged)
    Q_PROPERTY(QColor coastColor READ coastColor WRITE setCoastColor NOTIFY paletteChanged)
    Q_PROPERTY(bool tilesEnabled READ tilesEnabled WRITE setTilesEnabled NOTIFY tilesChanged)
    Q_PROPERTY(QString tileUrlTemplate READ tileUrlTemplate WRITE setTileUrlTemplate NOTIFY tilesChanged)
    Q_PROPERTY(QString tileCacheDirectory READ tileCacheDirectory WRITE setTileCacheDirectory NOTIFY tilesChanged)
    Q_PROPERTY(QString attribution READ attribution WRITE setAttribution NOTIFY tilesChanged)
    Q_PROPERTY(bool showingTiles READ isShowingTiles NOTIFY showingTilesChanged)
    Q_PROPERTY(QQmlListProperty<QObject> content READ content)
    Q_CLASSINFO("DefaultProperty", "content")

public:
    explicit GeoMap(QQuickItem *parent = nullptr);
    ~GeoMap() override;

    QGeoCoordinate center() const;
    void setCenter(const QGeoCoordinate &center);
    double zoomLevel() const { return m_camera.zoom(); }
    void setZoomLevel(double zoom);
    double minimumZoomLevel() const { return m_camera.minimumZoom(); }
    void setMinimumZoomLevel(double zoom);
    double maximumZoomLevel() const { return m_camera.maximumZoom(); }
    void setMaximumZoomLevel(double zoom);
    CoordinateRegion region() const { return m_region; }
    void setRegion(const CoordinateRegion &region);
    CoordinateRegion visibleRegion() const;
    bool isInteractive() const { return m_interactive; }
    void setInteractive(bool on);

    bool isDark() const { return m_dark; }
    void setDark(bool dark);
    QColor landColor() const { return m_land; }
    void setLandColor(const QColor &c);
    QColor seaColor() const { return m_sea; }
    void setSeaColor(const QColor &c);
    QColor coastColor() const { return m_coast; }
    void setCoastColor(const QColor &c);

    bool tilesEnabled() const { return m_tilesEnabled; }
    void setTilesEnabled(bool on);
    QString tileUrlTemplate() const;
    void setTileUrlTemplate(const QString &t);
    QString tileCacheDirectory() const;
    void setTileCacheDirectory(const QString &dir);
    QString attribution() const { return m_attribution; }
    void setAttribution(const QString &text);
    bool isShowingTiles() const { return m_showingTiles; }
    TileSource *tileSource() const { return m_tiles; }

    QQmlListProperty<QObject> content();
    // The layer that holds the declared children (annotations, marker layers).
    QQuickItem *contentLayer() const { return m_layer; }

    // Item coordinates <-> geographic coordinates, at the current camera.
    Q_INVOKABLE QPointF fromCoordinate(const QGeoCoordinate &coordinate) const;
    Q_INVOKABLE QGeoCoordinate toCoordinate(const QPointF &point) const;

    // The nearest GeoMap among an item's ancestors, or null.
    static GeoMap *enclosing(const QQuickItem *item);
    Q_INVOKABLE void fitRegion(const QGeoCoordinate &center, double latitudeDelta, double longitudeDelta);
    // Moves the camera by a drag of (dx, dy) pixels, and zooms by `levels` keeping the
    // coordinate under `anchor` (item coordinates) in place.
    Q_INVOKABLE void pan(double dx, double dy);
    Q_INVOKABLE void zoomAround(double levels, const QPointF &anchor);
    // A tap at a point of the map: offered to the MarkerLayers, topmost first; when no marker
    // takes it the map emits tapped.
    Q_INVOKABLE void tapAt(const QPointF &point);

    // World point (MapProjection units) at the item's top-left corner; pixels per world unit.
    QPointF topLeftWorld() const;
    double scale() const;

signals:
    void cameraChanged();
    void zoomLimitsChanged();
    void regionChanged();
    void visibleRegionChanged();
    void interactiveChanged();
    void paletteChanged();
    void tilesChanged();
    void showingTilesChanged();
    void tapped(const QGeoCoordinate &coordinate);

protected:
    QSGNode *updatePaintNode(QSGNode *old, UpdatePaintNodeData *) override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;
    void componentComplete() override;
    void updatePolish() override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setCameraWorld(const QPointF &centerWorld, double zoom, bool byUser);
    void cameraMoved();
    void fitPendingRegion();
    void applyPalette();

    MapCamera m_camera;
    CoordinateRegion m_region;
    bool m_regionBound = false;     // keep fitting m_region on resize
    bool m_interactive = true;

    bool m_dark = false;
    bool m_customLand = false, m_customSea = false, m_customCoast = false;
    QColor m_land, m_sea, m_coast;

    bool m_tilesEnabled = true;
    bool m_showingTiles = false;
    QString m_attribution;
    TileSource *m_tiles = nullptr;

    QQuickItem *m_layer = nullptr;

    // what updatePolish chose for the next frame (GUI thread; read while it is blocked)
    TileLayer m_tileLayer;
};
