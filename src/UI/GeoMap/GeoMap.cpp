#include "GeoMap.h"

#include "BaseMapNode.h"
#include "Map/MapProjection.h"
#include "MarkerLayer.h"

#include <QQuickWindow>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kCoastWidth = 1.1;        // pixels

struct Palette {
    QColor land, sea, coast;
};
const Palette kLight{QColor(0xf3, 0xf0, 0xe8), QColor(0xc6, 0xdd, 0xea), QColor(0x8a, 0xa3, 0xb2)};
const Palette kDark{QColor(0x33, 0x38, 0x3d), QColor(0x1a, 0x25, 0x30), QColor(0x5f, 0x70, 0x7c)};

}  // namespace

// ---------------------------------------------------------------------------------------

GeoMap::GeoMap(QQuickItem *parent) : QQuickItem(parent)
{
    setFlag(ItemHasContents, true);
    setActiveFocusOnTab(true);
    m_camera.moveTo(MapProjection::toWorld(28.3, -15.8), m_camera.zoom());
    m_attribution = QStringLiteral("© OpenStreetMap contributors");
    applyPalette();

    m_tiles = new TileSource(this);
    m_tiles->setUrlTemplate(QStringLiteral("https://tile.openstreetmap.org/{z}/{x}/{y}.png"));
    connect(m_tiles, &TileSource::tileReady, this, [this] { polish(); update(); });

    m_layer = new QQuickItem(this);
    m_layer->setClip(true);
    m_layer->setZ(1);
}

GeoMap::~GeoMap() = default;

QQmlListProperty<QObject> GeoMap::content()
{
    return m_layer->property("data").value<QQmlListProperty<QObject>>();
}

// --- camera -------------------------------------------------------------------------------

QGeoCoordinate GeoMap::center() const { return MapProjection::fromWorld(m_camera.center()); }

void GeoMap::setCenter(const QGeoCoordinate &center)
{
    if (!center.isValid())
        return;
    m_regionBound = false;
    setCameraWorld(MapProjection::toWorld(center), m_camera.zoom(), false);
}

void GeoMap::setZoomLevel(double zoom)
{
    if (!std::isfinite(zoom))
        return;
    m_regionBound = false;
    setCameraWorld(m_camera.center(), zoom, false);
}

void GeoMap::setMinimumZoomLevel(double zoom)
{
    if (zoom == m_camera.minimumZoom() || !std::isfinite(zoom))
        return;
    m_camera.setMinimumZoom(zoom);
    emit zoomLimitsChanged();
    setCameraWorld(m_camera.center(), m_camera.zoom(), false);
}

void GeoMap::setMaximumZoomLevel(double zoom)
{
    if (zoom == m_camera.maximumZoom() || !std::isfinite(zoom))
        return;
    m_camera.setMaximumZoom(zoom);
    emit zoomLimitsChanged();
    setCameraWorld(m_camera.center(), m_camera.zoom(), false);
}

void GeoMap::setRegion(const CoordinateRegion &region)
{
    if (!region.center.isValid())
        return;
    m_region = region;
    m_regionBound = true;
    fitPendingRegion();
    emit regionChanged();
}

void GeoMap::fitRegion(const QGeoCoordinate &center, double latitudeDelta, double longitudeDelta)
{
    CoordinateRegion r;
    r.center = center;
    r.span.latitudeDelta = latitudeDelta;
    r.span.longitudeDelta = longitudeDelta;
    setRegion(r);
}

void GeoMap::fitPendingRegion()
{
    if (!m_regionBound)
        return;
    const auto zoom = MapProjection::zoomToFit(m_region, size());
    setCameraWorld(MapProjection::toWorld(m_region.center), zoom.value_or(m_camera.zoom()), false);
}

CoordinateRegion GeoMap::visibleRegion() const
{
    return MapProjection::regionShown(center(), m_camera.zoom(), size());
}

void GeoMap::setCameraWorld(const QPointF &centerWorld, double zoom, bool byUser)
{
    if (byUser)
        m_regionBound = false;
    if (m_camera.moveTo(centerWorld, zoom))
        cameraMoved();
}

void GeoMap::cameraMoved()
{
    polish();
    update();
    emit cameraChanged();
    emit visibleRegionChanged();
}

double GeoMap::scale() const { return m_camera.scale(); }

QPointF GeoMap::topLeftWorld() const { return m_camera.topLeft(); }

QPointF GeoMap::fromCoordinate(const QGeoCoordinate &coordinate) const
{
    if (!coordinate.isValid())
        return {qQNaN(), qQNaN()};
    return m_camera.toView(MapProjection::toWorld(coordinate));
}

QGeoCoordinate GeoMap::toCoordinate(const QPointF &point) const
{
    return MapProjection::fromWorld(m_camera.toWorld(point));
}

void GeoMap::pan(double dx, double dy)
{
    setCameraWorld(m_camera.dragged(dx, dy), m_camera.zoom(), true);
}

void GeoMap::zoomAround(double levels, const QPointF &anchor)
{
    const double z = m_camera.zoomedBy(levels);
    setCameraWorld(m_camera.centerKeeping(anchor, z), z, true);
}

void GeoMap::setInteractive(bool on)
{
    if (on == m_interactive)
        return;
    m_interactive = on;
    emit interactiveChanged();
}

void GeoMap::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() == oldGeometry.size())
        return;
    m_camera.setViewport(newGeometry.size());
    m_layer->setSize(newGeometry.size());
    if (m_regionBound)
        fitPendingRegion();
    polish();
    update();
    emit visibleRegionChanged();
}

void GeoMap::componentComplete()
{
    QQuickItem::componentComplete();
    m_camera.setViewport(size());
    m_layer->setSize(size());
    polish();
}

// --- look ---------------------------------------------------------------------------------

void GeoMap::applyPalette()
{
    const Palette &p = m_dark ? kDark : kLight;
    if (!m_customLand)
        m_land = p.land;
    if (!m_customSea)
        m_sea = p.sea;
    if (!m_customCoast)
        m_coast = p.coast;
}

void GeoMap::setDark(bool dark)
{
    if (dark == m_dark)
        return;
    m_dark = dark;
    applyPalette();
    update();
    emit paletteChanged();
}

void GeoMap::setLandColor(const QColor &c)
{
    m_customLand = true;
    if (c == m_land)
        return;
    m_land = c;
    update();
    emit paletteChanged();
}

void GeoMap::setSeaColor(const QColor &c)
{
    m_customSea = true;
    if (c == m_sea)
        return;
    m_sea = c;
    update();
    emit paletteChanged();
}

void GeoMap::setCoastColor(const QColor &c)
{
    m_customCoast = true;
    if (c == m_coast)
        return;
    m_coast = c;
    update();
    emit paletteChanged();
}

void GeoMap::setTilesEnabled(bool on)
{
    if (on == m_tilesEnabled)
        return;
    m_tilesEnabled = on;
    polish();
    update();
    emit tilesChanged();
}

QString GeoMap::tileUrlTemplate() const { return m_tiles->urlTemplate(); }

void GeoMap::setTileUrlTemplate(const QString &t)
{
    if (t == m_tiles->urlTemplate())
        return;
    m_tiles->setUrlTemplate(t);
    polish();
    update();
    emit tilesChanged();
}

QString GeoMap::tileCacheDirectory() const { return m_tiles->cacheDirectory(); }

void GeoMap::setTileCacheDirectory(const QString &dir)
{
    m_tiles->setCacheDirectory(dir);
    polish();
    update();
    emit tilesChanged();
}

void GeoMap::setAttribution(const QString &text)
{
    if (text == m_attribution)
        return;
    m_attribution = text;
    polish();
    update();
    emit tilesChanged();
}

// --- input: the gestures are GeoMap.qml's pointer handlers -----------------------------------

void GeoMap::keyPressEvent(QKeyEvent *event)
{
    if (m_interactive) {
        const QPointF mid(width() / 2, height() / 2);
        switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            zoomAround(1.0, mid);
            event->accept();
            return;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            zoomAround(-1.0, mid);
            event->accept();
            return;
        default:
            break;
        }
    }
    event->ignore();
}

void GeoMap::tapAt(const QPointF &point)
{
    // Marker layers, topmost first: higher z, then later children.
    QList<QQuickItem *> children = m_layer->childItems();
    std::stable_sort(children.begin(), children.end(), [](QQuickItem *a, QQuickItem *b) { return a->z() < b->z(); });
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        auto *layer = qobject_cast<MarkerLayer *>(*it);
        if (layer && layer->isVisible() && layer->tapAt(mapToItem(layer, point)))
            return;
    }
    emit tapped(toCoordinate(point));
}

// --- drawing ------------------------------------------------------------------------------

void GeoMap::updatePolish()
{
    if (m_tilesEnabled && !m_tiles->urlTemplate().isEmpty())
        m_tileLayer.choose(*m_tiles, m_camera);
    else
        m_tileLayer.clear();
    m_tileLayer.updateAttribution(m_attribution, window() ? window()->effectiveDevicePixelRatio() : 1.0);
    if (m_tileLayer.isShowing() != m_showingTiles) {
        m_showingTiles = m_tileLayer.isShowing();
        emit showingTilesChanged();
    }
}

QSGNode *GeoMap::updatePaintNode(QSGNode *old, UpdatePaintNodeData *)
{
    auto *node = static_cast<BaseMapNode *>(old);
    if (!node)
        node = new BaseMapNode;
    BaseMapNode::Frame frame;
    frame.bounds = boundingRect();
    frame.topLeft = m_camera.topLeft();
    frame.scale = m_camera.scale();
    frame.zoom = m_camera.zoom();
    frame.sea = m_sea;
    frame.coast = {m_land, m_coast, kCoastWidth};
    frame.tiles = &m_tileLayer;
    node->update(frame, window());
    return node;
}

GeoMap *GeoMap::enclosing(const QQuickItem *item)
{
    for (QQuickItem *p = item ? item->parentItem() : nullptr; p; p = p->parentItem()) {
        if (auto *map = qobject_cast<GeoMap *>(p))
            return map;
    }
    return nullptr;
}
