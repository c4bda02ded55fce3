#include "GeoMap.h"

#include "CoastNode.h"
#include "CoastlineData.h"
#include "MapAnnotation.h"
#include "Map/MapProjection.h"
#include "MarkerLayer.h"
#include "SoftwareNodes.h"
#include "TileSource.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QSGClipNode>
#include <QSGFlatColorMaterial>
#include <QSGGeometryNode>
#include <QSGSimpleRectNode>
#include <QSGSimpleTextureNode>
#include <QSGTransformNode>
#include <QSGVertexColorMaterial>
#include <QStyleHints>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kCoastWidth = 1.1;        // pixels
constexpr int kMaxTileZoom = 19;

struct Palette {
    QColor land, sea, coast;
};
const Palette kLight{QColor(0xf3, 0xf0, 0xe8), QColor(0xc6, 0xdd, 0xea), QColor(0x8a, 0xa3, 0xb2)};
const Palette kDark{QColor(0x33, 0x38, 0x3d), QColor(0x1a, 0x25, 0x30), QColor(0x5f, 0x70, 0x7c)};

// The scene of the base map; owns the textures it draws.
class MapNode : public QSGNode
{
public:
    MapNode()
    {
        clip = new QSGClipNode;
        clip->setIsRectangular(true);
        appendChildNode(clip);
        sea = new QSGSimpleRectNode;
        clip->appendChildNode(sea);
        coast = new CoastNode;
        clip->appendChildNode(coast);
        tiles = new QSGNode;
        clip->appendChildNode(tiles);
    }
    ~MapNode() override
    {
        qDeleteAll(tileTextures);
        delete attributionTexture;
    }

    QSGClipNode *clip;
    QSGSimpleRectNode *sea;
    CoastNode *coast;
    QSGNode *tiles;
    QSGSimpleTextureNode *attribution = nullptr;
    SoftwareCoastNode *soft = nullptr;

    QHash<TileSource::Key, QSGTexture *> tileTextures;
    QHash<TileSource::Key, qint64> tileImageKeys;
    QSGTexture *attributionTexture = nullptr;
    qint64 attributionImageKey = 0;
};

}  // namespace

// ---------------------------------------------------------------------------------------

GeoMap::GeoMap(QQuickItem *parent) : QQuickItem(parent)
{
    setFlag(ItemHasContents, true);
    setAcceptedMouseButtons(Qt::LeftButton);
    setAcceptTouchEvents(true);
    setActiveFocusOnTab(true);
    m_centerWorld = MapProjection::toWorld(28.3, -15.8);
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

QGeoCoordinate GeoMap::center() const { return MapProjection::fromWorld(m_centerWorld); }

void GeoMap::setCenter(const QGeoCoordinate &center)
{
    if (!center.isValid())
        return;
    m_regionBound = false;
    setCameraWorld(MapProjection::toWorld(center), m_zoom, false);
}

void GeoMap::setZoomLevel(double zoom)
{
    if (!std::isfinite(zoom))
        return;
    m_regionBound = false;
    setCameraWorld(m_centerWorld, zoom, false);
}

void GeoMap::setMinimumZoomLevel(double zoom)
{
    if (zoom == m_minZoom || !std::isfinite(zoom))
        return;
    m_minZoom = std::clamp(zoom, 0.0, m_maxZoom);
    emit zoomLimitsChanged();
    setCameraWorld(m_centerWorld, m_zoom, false);
}

void GeoMap::setMaximumZoomLevel(double zoom)
{
    if (zoom == m_maxZoom || !std::isfinite(zoom))
        return;
    m_maxZoom = std::clamp(zoom, m_minZoom, 24.0);
    emit zoomLimitsChanged();
    setCameraWorld(m_centerWorld, m_zoom, false);
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
    setCameraWorld(MapProjection::toWorld(m_region.center), zoom.value_or(m_zoom), false);
}

CoordinateRegion GeoMap::visibleRegion() const
{
    return MapProjection::regionShown(center(), m_zoom, size());
}

void GeoMap::setCameraWorld(const QPointF &centerWorld, double zoom, bool byUser)
{
    if (byUser)
        m_regionBound = false;
    const QPointF c(std::clamp(centerWorld.x(), 0.0, 1.0), std::clamp(centerWorld.y(), 0.0, 1.0));
    const double z = std::clamp(zoom, m_minZoom, m_maxZoom);
    if (c == m_centerWorld && z == m_zoom)
        return;
    m_centerWorld = c;
    m_zoom = z;
    cameraMoved();
}

void GeoMap::cameraMoved()
{
    polish();
    update();
    emit cameraChanged();
    emit visibleRegionChanged();
}

double GeoMap::scale() const { return MapProjection::worldScale(m_zoom); }

QPointF GeoMap::topLeftWorld() const
{
    const double s = scale();
    return {m_centerWorld.x() - width() / 2.0 / s, m_centerWorld.y() - height() / 2.0 / s};
}

QPointF GeoMap::fromCoordinate(const QGeoCoordinate &coordinate) const
{
    if (!coordinate.isValid())
        return {qQNaN(), qQNaN()};
    const QPointF w = MapProjection::toWorld(coordinate);
    const QPointF tl = topLeftWorld();
    const double s = scale();
    return {(w.x() - tl.x()) * s, (w.y() - tl.y()) * s};
}

QGeoCoordinate GeoMap::toCoordinate(const QPointF &point) const
{
    const QPointF tl = topLeftWorld();
    const double s = scale();
    return MapProjection::fromWorld({tl.x() + point.x() / s, tl.y() + point.y() / s});
}

void GeoMap::pan(double dx, double dy)
{
    const double s = scale();
    setCameraWorld({m_centerWorld.x() - dx / s, m_centerWorld.y() - dy / s}, m_zoom, true);
}

void GeoMap::zoomAround(double levels, const QPointF &anchor)
{
    const double z = std::clamp(m_zoom + levels, m_minZoom, m_maxZoom);
    const QPointF tl = topLeftWorld();
    const double s = scale();
    const QPointF anchorWorld(tl.x() + anchor.x() / s, tl.y() + anchor.y() / s);
    const double s2 = MapProjection::worldScale(z);
    // keep anchorWorld under the same pixel
    const QPointF c(anchorWorld.x() + (width() / 2.0 - anchor.x()) / s2,
                    anchorWorld.y() + (height() / 2.0 - anchor.y()) / s2);
    setCameraWorld(c, z, true);
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

// --- input --------------------------------------------------------------------------------

void GeoMap::mousePressEvent(QMouseEvent *event)
{
    m_pressed = true;
    m_dragging = false;
    m_pressPos = m_lastPos = event->position();
    if (m_interactive)
        forceActiveFocus(Qt::MouseFocusReason);
    event->accept();
}

void GeoMap::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed)
        return;
    const QPointF pos = event->position();
    if (!m_dragging && (pos - m_pressPos).manhattanLength() >= QGuiApplication::styleHints()->startDragDistance())
        m_dragging = true;
    if (m_dragging && m_interactive)
        pan(pos.x() - m_lastPos.x(), pos.y() - m_lastPos.y());
    m_lastPos = pos;
    event->accept();
}

void GeoMap::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_pressed && !m_dragging)
        handleTap(event->position());
    m_pressed = m_dragging = false;
    event->accept();
}

void GeoMap::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!m_interactive) {
        event->ignore();
        return;
    }
    zoomAround(1.0, event->position());
    m_pressed = false;
    event->accept();
}

void GeoMap::wheelEvent(QWheelEvent *event)
{
    if (!m_interactive || event->angleDelta().y() == 0) {
        event->ignore();
        return;
    }
    zoomAround(event->angleDelta().y() / 120.0 * 0.5, event->position());
    event->accept();
}

void GeoMap::touchEvent(QTouchEvent *event)
{
    const auto &points = event->points();
    if (points.size() >= 2) {
        const QPointF a = points[0].position(), b = points[1].position();
        const QPointF centre = (a + b) / 2;
        const qreal dist = std::hypot(a.x() - b.x(), a.y() - b.y());
        if (m_pinchDistance > 0 && m_interactive) {
            pan(centre.x() - m_pinchCentre.x(), centre.y() - m_pinchCentre.y());
            if (dist > 0)
                zoomAround(std::log2(dist / m_pinchDistance), centre);
        }
        m_pinchDistance = dist;
        m_pinchCentre = centre;
        m_dragging = true;  // a pinch is never a tap
    } else if (points.size() == 1) {
        const QPointF pos = points[0].position();
        m_pinchDistance = 0;
        switch (event->type()) {
        case QEvent::TouchBegin:
            m_pressed = true;
            m_dragging = false;
            m_pressPos = m_lastPos = pos;
            break;
        case QEvent::TouchUpdate:
            if (!m_dragging && (pos - m_pressPos).manhattanLength() >= QGuiApplication::styleHints()->startDragDistance())
                m_dragging = true;
            if (m_dragging && m_interactive)
                pan(pos.x() - m_lastPos.x(), pos.y() - m_lastPos.y());
            m_lastPos = pos;
            break;
        default:
            break;
        }
    }
    if (event->type() == QEvent::TouchEnd || event->type() == QEvent::TouchCancel) {
        if (event->type() == QEvent::TouchEnd && m_pressed && !m_dragging && !points.isEmpty())
            handleTap(points[0].position());
        m_pressed = m_dragging = false;
        m_pinchDistance = 0;
    }
    event->accept();
}

bool GeoMap::event(QEvent *event)
{
    if (event->type() == QEvent::NativeGesture) {
        auto *g = static_cast<QNativeGestureEvent *>(event);
        if (g->gestureType() == Qt::ZoomNativeGesture && m_interactive) {
            zoomAround(std::log2(std::max(0.1, 1.0 + g->value())), mapFromGlobal(g->globalPosition()));
            return true;
        }
    }
    return QQuickItem::event(event);
}

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

void GeoMap::handleTap(const QPointF &point)
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
    m_visibleTiles.clear();
    bool showing = false;
    if (m_tilesEnabled && !m_tiles->urlTemplate().isEmpty() && width() > 0 && height() > 0) {
        const int z = std::clamp(int(std::lround(m_zoom)), 0, kMaxTileZoom);
        const double n = std::exp2(z);
        const double s = scale();
        const QPointF tl = topLeftWorld();
        const int x0 = std::max(0, int(std::floor(tl.x() * n)));
        const int y0 = std::max(0, int(std::floor(tl.y() * n)));
        const int x1 = std::min(int(n) - 1, int(std::floor((tl.x() + width() / s) * n)));
        const int y1 = std::min(int(n) - 1, int(std::floor((tl.y() + height() / s) * n)));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const TileSource::Key key{z, x, y};
                QImage img = m_tiles->tile(key);
                if (img.isNull())
                    continue;
                // whole-pixel edges: neighbouring tiles meet without seams
                const double left = std::round((x / n - tl.x()) * s), right = std::round(((x + 1) / n - tl.x()) * s);
                const double top = std::round((y / n - tl.y()) * s), bottom = std::round(((y + 1) / n - tl.y()) * s);
                m_visibleTiles.append({key, QRectF(left, top, right - left, bottom - top), img});
                showing = true;
            }
        }
    }
    if (showing && !m_attribution.isEmpty()) {
        const qreal dpr = window() ? window()->effectiveDevicePixelRatio() : 1.0;
        QFont font;
        font.setPixelSize(11);
        const QFontMetricsF fm(font);
        const QSizeF size(std::ceil(fm.horizontalAdvance(m_attribution) + 10), std::ceil(fm.height() + 4));
        if (m_attributionImage.isNull() || m_attributionImage.text(QStringLiteral("text")) != m_attribution
            || m_attributionImage.devicePixelRatio() != dpr) {
            QImage img((size * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
            img.setDevicePixelRatio(dpr);
            img.fill(Qt::transparent);
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            p.fillRect(QRectF(QPointF(0, 0), size), QColor(255, 255, 255, 190));
            p.setFont(font);
            p.setPen(QColor(40, 40, 40));
            p.drawText(QRectF(QPointF(0, 0), size), Qt::AlignCenter, m_attribution);
            p.end();
            img.setText(QStringLiteral("text"), m_attribution);
            m_attributionImage = img;
        }
    } else {
        m_attributionImage = QImage();
    }
    if (showing != m_showingTiles) {
        m_showingTiles = showing;
        emit showingTilesChanged();
    }
}

QSGNode *GeoMap::updatePaintNode(QSGNode *old, UpdatePaintNodeData *)
{
    auto *node = static_cast<MapNode *>(old);
    if (!node)
        node = new MapNode;
    const QRectF bounds = boundingRect();
    node->clip->setClipRect(bounds);
    node->sea->setRect(bounds);
    node->sea->setColor(m_sea);

    // Base map: the coastline chunks in view, moved and scaled to the camera.
    const CoastlineData &data = CoastlineData::bundled();
    const double s = scale();
    const QPointF tl = topLeftWorld();
    const bool software = window()->rendererInterface()->graphicsApi() == QSGRendererInterface::Software;
    if (software && !data.isEmpty()) {
        if (!node->soft) {
            node->soft = new SoftwareCoastNode(window());
            node->clip->insertChildNodeAfter(node->soft, node->coast);
        }
        node->soft->setState(&data, data.levelFor(m_zoom), tl, s, bounds, m_land, m_coast, kCoastWidth);
    } else if (!data.isEmpty()) {
        node->coast->update(data, data.levelFor(m_zoom), tl, s, bounds.size(), {m_land, m_coast, kCoastWidth});
    }

    // Tiles over the coastlines.
    while (QSGNode *child = node->tiles->firstChild()) {
        node->tiles->removeChildNode(child);
        delete child;
    }
    QSet<TileSource::Key> used;
    for (const VisibleTile &t : m_visibleTiles) {
        QSGTexture *&tex = node->tileTextures[t.key];
        if (!tex || node->tileImageKeys.value(t.key) != t.image.cacheKey()) {
            delete tex;
            tex = window()->createTextureFromImage(t.image);
            tex->setFiltering(QSGTexture::Linear);
            node->tileImageKeys[t.key] = t.image.cacheKey();
        }
        auto *tn = new QSGSimpleTextureNode;
        tn->setTexture(tex);
        tn->setFiltering(QSGTexture::Linear);
        tn->setRect(t.rect);
        node->tiles->appendChildNode(tn);
        used.insert(t.key);
    }
    // textures of tiles no longer shown are dropped, keeping memory bounded
    for (auto it = node->tileTextures.begin(); it != node->tileTextures.end();) {
        if (!used.contains(it.key()) && node->tileTextures.size() > 128) {
            delete it.value();
            node->tileImageKeys.remove(it.key());
            it = node->tileTextures.erase(it);
        } else {
            ++it;
        }
    }

    if (!m_attributionImage.isNull()) {
        if (!node->attributionTexture || node->attributionImageKey != m_attributionImage.cacheKey()) {
            QSGTexture *previous = node->attributionTexture;
            node->attributionTexture = window()->createTextureFromImage(m_attributionImage);
            node->attributionImageKey = m_attributionImage.cacheKey();
            if (node->attribution)
                node->attribution->setTexture(node->attributionTexture);
            delete previous;
        }
        const QSizeF sz = m_attributionImage.deviceIndependentSize();
        const QRectF rect(bounds.right() - sz.width(), bounds.bottom() - sz.height(), sz.width(), sz.height());
        if (!node->attribution) {
            // textured before it joins the tree: the software renderer reads it at once
            node->attribution = new QSGSimpleTextureNode;
            node->attribution->setTexture(node->attributionTexture);
            node->attribution->setRect(rect);
            node->clip->appendChildNode(node->attribution);
        }
        node->attribution->setRect(rect);
    } else if (node->attribution) {
        node->clip->removeChildNode(node->attribution);
        delete node->attribution;
        node->attribution = nullptr;
    }
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
