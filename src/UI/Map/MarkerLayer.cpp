#include "MarkerLayer.h"

#include "GeoMap.h"
#include "MapProjection.h"
#include "SoftwareNodes.h"

#include <QPainter>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QRadialGradient>
#include <QSGGeometryNode>
#include <QSGTextureMaterial>
#include <QSGTransformNode>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kAtlasWidth = 2048;
constexpr double kGridCell = 64.0;

qint64 cellKey(int cx, int cy) { return (qint64(cx) << 32) ^ quint32(cy); }

class MarkerNode : public QSGNode
{
public:
    MarkerNode()
    {
        geometryNode = new QSGGeometryNode;
        geometryNode->setFlags(QSGNode::OwnsGeometry | QSGNode::OwnsMaterial);
        auto *g = new QSGGeometry(QSGGeometry::defaultAttributes_TexturedPoint2D(), 0, 0, QSGGeometry::UnsignedIntType);
        g->setDrawingMode(QSGGeometry::DrawTriangles);
        geometryNode->setGeometry(g);
        material = new QSGTextureMaterial;
        material->setFiltering(QSGTexture::Linear);
        geometryNode->setMaterial(material);
        appendChildNode(geometryNode);
    }
    ~MarkerNode() override { delete texture; }

    SoftwareSpriteNode *soft = nullptr;  // instead of the geometry, under the software renderer

    QSGGeometryNode *geometryNode;
    QSGTextureMaterial *material;
    QSGTexture *texture = nullptr;
};

}  // namespace

// The markers' drawing surface: larger than the view by half a view on each side, moved as a
// whole while the map pans. Under a GPU renderer it is a layer (a texture), so a pan draws
// one quad whatever the number of markers; the markers are drawn again only on rebuilds.
class MarkerCanvas : public QQuickItem
{
public:
    explicit MarkerCanvas(MarkerLayer *layer) : QQuickItem(layer), m_owner(layer)
    {
        setFlag(ItemHasContents, true);
    }
    QSGNode *updatePaintNode(QSGNode *old, UpdatePaintNodeData *) override { return m_owner->paintCanvas(old); }

private:
    MarkerLayer *m_owner;
};

MarkerLayer::MarkerLayer(QQuickItem *parent) : QQuickItem(parent), m_canvas(new MarkerCanvas(this))
{
}

MarkerLayer::~MarkerLayer() = default;

void MarkerLayer::setMarkers(const QList<MapMarker> &markers)
{
    m_markers = markers;
    markersDirty();
    emit markersChanged();
}

void MarkerLayer::setExcludedIds(const QStringList &ids)
{
    if (ids == m_excluded)
        return;
    m_excluded = ids;
    m_excludedSet = QSet<QString>(ids.cbegin(), ids.cend());
    markersDirty();
    emit excludedIdsChanged();
}

void MarkerLayer::setShadowRadius(double r)
{
    if (r == m_shadowRadius || !(r >= 0))
        return;
    m_shadowRadius = r;
    m_atlas = QImage();  // every sprite changes
    markersDirty();
    emit styleChanged();
}

void MarkerLayer::setLabelScale(double s)
{
    if (s == m_labelScale || !(s > 0))
        return;
    m_labelScale = s;
    m_atlas = QImage();
    markersDirty();
    emit styleChanged();
}

void MarkerLayer::markersDirty()
{
    m_world.resize(m_markers.size());
    m_maxDiameter = 0;
    for (qsizetype i = 0; i < m_markers.size(); ++i) {
        const MapMarker &m = m_markers[i];
        m_world[i] = m.coordinate.isValid() ? MapProjection::toWorld(m.coordinate) : QPointF(qQNaN(), qQNaN());
        m_maxDiameter = std::max(m_maxDiameter, m.diameter);
    }
    m_gridScale = -1;
    m_spritesDirty = true;
    polish();
}

void MarkerLayer::itemChange(ItemChange change, const ItemChangeData &value)
{
    QQuickItem::itemChange(change, value);
    if (change == ItemParentHasChanged)
        findMap();
    else if (change == ItemSceneChange || change == ItemDevicePixelRatioHasChanged)
        polish();
}

void MarkerLayer::findMap()
{
    GeoMap *found = GeoMap::enclosing(this);
    if (found == m_map)
        return;
    disconnect(m_cameraConnection);
    m_map = found;
    if (m_map)
        m_cameraConnection = connect(m_map, &GeoMap::visibleRegionChanged, this, &MarkerLayer::follow);
    follow();
}

void MarkerLayer::follow()
{
    if (!m_map || !parentItem())
        return;
    setPosition(parentItem()->mapFromItem(m_map, QPointF(0, 0)));
    setSize(m_map->size());
    placeCanvas();
}

void MarkerLayer::decideLayer()
{
    if (m_layerDecided || !window())
        return;
    const auto api = window()->rendererInterface()->graphicsApi();
    if (api == QSGRendererInterface::Unknown)
        return;
    m_layerDecided = true;
    if (api == QSGRendererInterface::Software)
        return;  // painted directly: the software renderer gains nothing from a layer
    if (QObject *layer = m_canvas->property("layer").value<QObject *>()) {
        layer->setProperty("enabled", true);
        layer->setProperty("smooth", false);  // placed on whole pixels, copied 1:1
    }
}

void MarkerLayer::placeCanvas()
{
    if (!m_map)
        return;
    decideLayer();
    const double s = m_map->scale();
    const QPointF tl = m_map->topLeftWorld();
    const double w = width(), h = height();
    const QPointF shift = (tl - m_canvasView) * s;
    if (m_geometryDirty || m_builtScale != s || std::abs(shift.x()) > 0.4 * w || std::abs(shift.y()) > 0.4 * h
        || m_canvas->size() != QSizeF(2 * w, 2 * h)) {
        m_geometryDirty = false;
        m_rebuild = true;
        m_builtScale = s;
        m_canvasView = tl;
        m_canvasOrigin = tl - QPointF(std::round(w / 2), std::round(h / 2)) / s;
        m_canvas->setSize(QSizeF(2 * w, 2 * h));
        m_canvas->update();
    }
    const QPointF offset = (m_canvasOrigin - tl) * s;
    m_canvas->setPosition(QPointF(std::round(offset.x()), std::round(offset.y())));
}

// --- sprites ------------------------------------------------------------------------------

void MarkerLayer::drawSprite(const SpriteKey &key, const QRect &cell, qreal dpr)
{
    const double d = key.diameterTenths / 10.0;
    const QSizeF size = QSizeF(cell.size()) / dpr;
    QPainter p(&m_atlas);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(cell, Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.translate(cell.topLeft());
    p.scale(dpr, dpr);
    const QPointF c(size.width() / 2, size.height() / 2);
    const double r = d / 2;
    if (m_shadowRadius > 0) {
        // a blurred disc of black at 0.33, as wide as the blur
        const double blur = m_shadowRadius * 2;
        QRadialGradient g(c, r + blur);
        g.setColorAt(0, QColor(0, 0, 0, 84));
        g.setColorAt(std::max(0.0, (r - blur) / (r + blur)), QColor(0, 0, 0, 84));
        g.setColorAt(1, QColor(0, 0, 0, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(c, r + blur, r + blur);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(key.color));
    p.drawEllipse(c, r, r);
    if (!key.label.isEmpty()) {
        QFont font;
        font.setBold(true);
        font.setPixelSize(std::max(6, int(std::lround(d * m_labelScale))));
        p.setFont(font);
        p.setPen(QColor(0, 0, 0, 191));
        p.drawText(QRectF(c.x() - r, c.y() - r, d, d), Qt::AlignCenter, key.label);
    }
}

int MarkerLayer::spriteFor(const MapMarker &m)
{
    const SpriteKey key{m.color.rgba(), int(std::lround(m.diameter * 10)), m.label};
    if (const auto it = m_spriteIndex.constFind(key); it != m_spriteIndex.cend())
        return *it;
    const qreal dpr = m_atlasDpr;
    const double margin = std::ceil(m_shadowRadius * 2) + 1;
    const int side = int(std::ceil((key.diameterTenths / 10.0 + 2 * margin) * dpr));
    if (m_shelf.x() + side > kAtlasWidth) {
        m_shelf = QPoint(0, m_shelf.y() + m_shelfHeight + 1);
        m_shelfHeight = 0;
    }
    if (m_shelf.y() + side > m_atlas.height()) {
        int h = std::max(256, m_atlas.height());
        while (m_shelf.y() + side > h)
            h *= 2;
        QImage grown(kAtlasWidth, h, QImage::Format_RGBA8888_Premultiplied);
        grown.fill(Qt::transparent);
        QPainter gp(&grown);
        gp.setCompositionMode(QPainter::CompositionMode_Source);
        gp.drawImage(0, 0, m_atlas);
        gp.end();
        m_atlas = grown;
    }
    const QRect cell(m_shelf, QSize(side, side));
    drawSprite(key, cell, dpr);
    m_shelf.rx() += side + 1;
    m_shelfHeight = std::max(m_shelfHeight, side);
    m_sprites.append({QRectF(cell), QSizeF(side / dpr, side / dpr)});
    m_spriteIndex.insert(key, int(m_sprites.size() - 1));
    m_atlasDirty = true;
    return int(m_sprites.size() - 1);
}

void MarkerLayer::updatePolish()
{
    const qreal dpr = window() ? window()->effectiveDevicePixelRatio() : 1.0;
    if (m_atlas.isNull() || dpr != m_atlasDpr) {
        m_atlasDpr = dpr;
        m_atlas = QImage(kAtlasWidth, 256, QImage::Format_RGBA8888_Premultiplied);
        m_atlas.fill(Qt::transparent);
        m_sprites.clear();
        m_spriteIndex.clear();
        m_shelf = QPoint(0, 0);
        m_shelfHeight = 0;
        m_atlasDirty = true;
        m_geometryDirty = true;
        m_spriteOf.clear();
    }
    if (m_spritesDirty || m_geometryDirty || m_spriteOf.size() != size_t(m_markers.size())) {
        m_spritesDirty = false;
        m_spriteOf.resize(m_markers.size());
        for (qsizetype i = 0; i < m_markers.size(); ++i) {
            const MapMarker &m = m_markers[i];
            m_spriteOf[i] = (m_excludedSet.contains(m.id) || !m.coordinate.isValid() || !(m.diameter > 0))
                ? -1 : spriteFor(m);
        }
        m_geometryDirty = true;
    }
    placeCanvas();
}

// --- drawing ------------------------------------------------------------------------------

QSGNode *MarkerLayer::paintCanvas(QSGNode *old)
{
    auto *node = static_cast<MarkerNode *>(old);
    if (!m_map || m_atlas.isNull()) {
        delete node;
        return nullptr;
    }
    if (!node)
        node = new MarkerNode;
    const bool software = window()->rendererInterface()->graphicsApi() == QSGRendererInterface::Software;
    if (software && !node->soft) {
        node->soft = new SoftwareSpriteNode(window());
        node->appendChildNode(node->soft);
        m_rebuild = true;
    }
    if (software && m_atlasDirty)
        m_rebuild = true;  // the software node holds its own copy of the atlas
    if (m_atlasDirty || !node->texture) {
        delete node->texture;
        node->texture = window()->createTextureFromImage(m_atlas);
        node->material->setTexture(node->texture);
        node->geometryNode->markDirty(QSGNode::DirtyMaterial);
        m_atlasDirty = false;
    }
    const double s = m_builtScale;
    const QPointF tl = m_canvasOrigin;
    const double w = m_canvas->width(), h = m_canvas->height();
    if (m_rebuild) {
        m_rebuild = false;
        const QRectF keep(-m_maxDiameter, -m_maxDiameter, w + 2 * m_maxDiameter, h + 2 * m_maxDiameter);
        std::vector<int> shown;
        shown.reserve(m_world.size());
        for (size_t i = 0; i < m_world.size() && i < m_spriteOf.size(); ++i) {
            if (m_spriteOf[i] < 0)
                continue;
            const QPointF p = (m_world[i] - tl) * s;
            if (keep.contains(p))
                shown.push_back(int(i));
        }
        shown = dropHidden(shown, tl, s, keep);
        if (software) {
            node->soft->atlas = m_atlas;
            node->soft->sprites.clear();
            node->soft->sprites.reserve(shown.size());
            for (int i : shown) {
                const Sprite &sp = m_sprites[m_spriteOf[i]];
                const QPointF p = (m_world[i] - tl) * s;
                node->soft->sprites.push_back({QPointF(std::round(p.x() - sp.size.width() / 2),
                                                       std::round(p.y() - sp.size.height() / 2)),
                                               sp.uv, sp.size});
            }
            shown.clear();
        }
        QSGGeometry *g = node->geometryNode->geometry();
        g->allocate(int(shown.size() * 4), int(shown.size() * 6));
        auto *v = g->vertexDataAsTexturedPoint2D();
        quint32 *idx = g->indexDataAsUInt();
        const double aw = m_atlas.width(), ah = m_atlas.height();
        quint32 base = 0;
        for (int i : shown) {
            const Sprite &sp = m_sprites[m_spriteOf[i]];
            const QPointF p = (m_world[i] - tl) * s;
            // whole pixels: the pre-rendered sprite is copied, not resampled
            const float x0 = float(std::round(p.x() - sp.size.width() / 2));
            const float y0 = float(std::round(p.y() - sp.size.height() / 2));
            const float x1 = x0 + float(sp.size.width()), y1 = y0 + float(sp.size.height());
            const float u0 = float(sp.uv.left() / aw), u1 = float(sp.uv.right() / aw + 1 / aw);
            const float v0 = float(sp.uv.top() / ah), v1 = float(sp.uv.bottom() / ah + 1 / ah);
            v[0].set(x0, y0, u0, v0);
            v[1].set(x1, y0, u1, v0);
            v[2].set(x0, y1, u0, v1);
            v[3].set(x1, y1, u1, v1);
            v += 4;
            idx[0] = base; idx[1] = base + 1; idx[2] = base + 2;
            idx[3] = base + 2; idx[4] = base + 1; idx[5] = base + 3;
            idx += 6;
            base += 4;
        }
        m_drawn = software ? int(node->soft->sprites.size()) : int(shown.size());
        node->geometryNode->markDirty(QSGNode::DirtyGeometry);
    }
    if (node->soft) {
        node->soft->bounds = QRectF(0, 0, w, h);
        node->soft->markDirty(QSGNode::DirtyGeometry | QSGNode::DirtyMaterial);
    }
    return node;
}

// Markers buried under the markers drawn above them add nothing to the picture but fill cost
// (a dense swarm is mostly buried markers), so they are left out of the batch. Each cell of a
// coverage grid keeps how much of what lies below still shows through (the product of
// (1 - alpha) of the markers kept above it, with each marker's alpha taken at its lowest over
// the cell). A marker goes only when, at every cell its sprite reaches, less than half a
// colour step of it could show. A pan does not change what is buried, so this runs only when
// the batch is rebuilt.
std::vector<int> MarkerLayer::dropHidden(const std::vector<int> &shown, const QPointF &tl, double s,
                                         const QRectF &area) const
{
    constexpr int cell = 2;
    constexpr float invisible = 0.5f / 255.0f;
    const int cols = int(std::ceil(area.width() / cell)) + 1, rows = int(std::ceil(area.height() / cell)) + 1;
    if (shown.size() < 64 || qint64(cols) * rows > 16 * 1024 * 1024)
        return shown;
    std::vector<float> through(size_t(cols) * rows, 1.0f);
    std::vector<int> kept;
    kept.reserve(shown.size());
    const double blur = m_shadowRadius * 2;
    for (auto it = shown.crbegin(); it != shown.crend(); ++it) {
        const int i = *it;
        const Sprite &sp = m_sprites[m_spriteOf[i]];
        const MapMarker &m = m_markers[i];
        const QPointF p = (m_world[i] - tl) * s - area.topLeft();
        const double cx = std::round(p.x()), cy = std::round(p.y());
        const double reach = sp.size.width() / 2;  // the sprite's disc plus shadow
        const double reach2 = reach * reach;
        const int c0 = std::max(0, int((cx - reach) / cell)), c1 = std::min(cols - 1, int((cx + reach) / cell));
        const int r0 = std::max(0, int((cy - reach) / cell)), r1 = std::min(rows - 1, int((cy + reach) / cell));
        bool hidden = c0 <= c1 && r0 <= r1;
        for (int r = r0; r <= r1 && hidden; ++r) {
            const double y0 = r * cell - cy, y1 = y0 + cell;
            const double dy = y0 > 0 ? y0 : (y1 < 0 ? -y1 : 0.0);
            for (int c = c0; c <= c1; ++c) {
                const double x0 = c * cell - cx, x1 = x0 + cell;
                const double dx = x0 > 0 ? x0 : (x1 < 0 ? -x1 : 0.0);
                if (dx * dx + dy * dy >= reach2)
                    continue;  // outside the round sprite: transparent there
                if (through[size_t(r) * cols + c] > invisible) {
                    hidden = false;
                    break;
                }
            }
        }
        if (hidden)
            continue;
        kept.push_back(i);
        // the least alpha of this marker over each cell it reaches
        const double radius = m.diameter / 2;
        const double discAlpha = m.color.alphaF();
        for (int r = r0; r <= r1; ++r) {
            const double y0 = r * cell - cy, y1 = y0 + cell;
            const double yy = std::max(y0 * y0, y1 * y1);
            for (int c = c0; c <= c1; ++c) {
                const double x0 = c * cell - cx, x1 = x0 + cell;
                const double far = std::sqrt(std::max(x0 * x0, x1 * x1) + yy);
                double alpha = 0;
                if (far <= radius - 1)
                    alpha = discAlpha;
                if (blur > 0 && far < radius + blur) {
                    const double shadow = 0.33 * std::clamp((radius + blur - far) / (2 * blur), 0.0, 1.0);
                    alpha = std::max(alpha, shadow);
                }
                if (alpha > 0)
                    through[size_t(r) * cols + c] *= float(1.0 - alpha);
            }
        }
    }
    std::reverse(kept.begin(), kept.end());
    return kept;
}

// --- hit testing --------------------------------------------------------------------------

void MarkerLayer::ensureHitGrid() const
{
    if (!m_map)
        return;
    const double s = m_map->scale();
    if (m_gridScale == s)
        return;
    m_gridScale = s;
    m_grid.clear();
    for (size_t i = 0; i < m_world.size(); ++i) {
        const QPointF p = m_world[i] * s;
        if (!std::isfinite(p.x()))
            continue;
        m_grid[cellKey(int(std::floor(p.x() / kGridCell)), int(std::floor(p.y() / kGridCell)))].push_back(int(i));
    }
}

QString MarkerLayer::markerAt(const QPointF &point) const
{
    if (!m_map || m_markers.isEmpty())
        return {};
    ensureHitGrid();
    const double s = m_map->scale();
    const QPointF at = m_map->topLeftWorld() * s + mapToItem(m_map, point);
    const int reach = int(std::ceil(m_maxDiameter / 2 / kGridCell));
    const int cx = int(std::floor(at.x() / kGridCell)), cy = int(std::floor(at.y() / kGridCell));
    int best = -1;
    for (int dx = -reach; dx <= reach; ++dx) {
        for (int dy = -reach; dy <= reach; ++dy) {
            const auto it = m_grid.constFind(cellKey(cx + dx, cy + dy));
            if (it == m_grid.cend())
                continue;
            for (int i : *it) {
                if (i <= best)
                    continue;
                const MapMarker &m = m_markers[i];
                const QPointF p = m_world[i] * s;
                if (std::hypot(p.x() - at.x(), p.y() - at.y()) <= m.diameter / 2 && !m_excludedSet.contains(m.id))
                    best = i;
            }
        }
    }
    return best < 0 ? QString() : m_markers[best].id;
}

bool MarkerLayer::tapAt(const QPointF &point)
{
    const QString id = markerAt(point);
    if (id.isNull())
        return false;
    emit markerTapped(id);
    return true;
}
