#include "MarkerLayer.h"

#include "GeoMap.h"
#include "SoftwareNodes.h"

#include <QMutex>
#include <QPainter>
#include <QQuickWindow>
#include <QRadialGradient>
#include <QSGGeometryNode>
#include <QSGRendererInterface>
#include <QSGTextureMaterial>
#include <QThreadPool>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kAtlasWidth = 2048;
// How far the canvas reaches beyond the view on each side, as a fraction of the view: room
// for a pan before a rebuild, paid for in pixels drawn at every rebuild.
constexpr double kReach = 0.25;
constexpr double kGridCell = 64.0;

qint64 cellKey(int cx, int cy) { return (qint64(cx) << 32) ^ quint32(cy); }

QString spriteKey(const MarkerData::Style &s)
{
    return QString::number(s.color.rgba(), 16) + QLatin1Char('/') + QString::number(std::lround(s.diameter * 10))
        + QLatin1Char('/') + s.label;
}

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
    std::shared_ptr<MarkerBatch::Output> batch;  // what the geometry shows (UVs in atlas pixels)
};

}  // namespace

// The worker's way back: the layer clears it when it goes, so a batch finished after that is
// thrown away instead of reaching freed memory.
struct MarkerLayer::Delivery {
    QMutex mutex;
    MarkerLayer *layer = nullptr;
    struct Done {
        quint64 generation = 0;
        double scale = 0;
        QPointF origin, view;
        QSizeF canvas;
        std::shared_ptr<MarkerBatch::Output> batch;
    } done;
};

// The markers' drawing surface: larger than the view by a quarter view on each side, moved (and,
// until a rebuilt batch arrives, scaled) as a whole while the camera changes. Under a GPU
// renderer it is a layer (a texture), so a pan draws one quad whatever the number of markers.
class MarkerCanvas : public QQuickItem
{
public:
    explicit MarkerCanvas(MarkerLayer *layer) : QQuickItem(layer), m_owner(layer)
    {
        setFlag(ItemHasContents, true);
        setTransformOrigin(TopLeft);
    }
    QSGNode *updatePaintNode(QSGNode *old, UpdatePaintNodeData *) override { return m_owner->paintCanvas(old); }

private:
    MarkerLayer *m_owner;
};

MarkerLayer::MarkerLayer(QQuickItem *parent)
    : QQuickItem(parent), m_delivery(std::make_shared<Delivery>()), m_canvas(new MarkerCanvas(this))
{
    m_delivery->layer = this;
}

MarkerLayer::~MarkerLayer()
{
    QMutexLocker lock(&m_delivery->mutex);
    m_delivery->layer = nullptr;
}

void MarkerLayer::setMarkerSet(const MarkerSet &set)
{
    if (set == m_set)
        return;
    m_set = set;
    m_markers.clear();
    m_markerIds.clear();
    ++m_generation;
    m_setDirty = true;
    m_gridScale = -1;
    polish();
    emit markersChanged();
}

void MarkerLayer::setMarkers(const QList<MapMarker> &markers)
{
    auto data = std::make_shared<MarkerData>();
    auto shown = std::make_shared<std::vector<quint32>>();
    QStringList ids;
    data->reserve(markers.size());
    shown->reserve(markers.size());
    for (qsizetype i = 0; i < markers.size(); ++i) {
        const MapMarker &m = markers[i];
        data->append(i, m.coordinate, data->addStyle({m.color, m.diameter, m.label}));
        shown->push_back(quint32(i));
        ids.append(m.id);
    }
    setMarkerSet(MarkerSet(std::move(data), std::move(shown)));
    m_markers = markers;
    m_markerIds = ids;
}

void MarkerLayer::setExcludedIds(const QStringList &ids)
{
    if (ids == m_excluded)
        return;
    // Only hits change: the annotations shown for these ids cover their quads.
    m_excluded = ids;
    m_excludedSet = QSet<QString>(ids.cbegin(), ids.cend());
    emit excludedIdsChanged();
}

void MarkerLayer::setShadowRadius(double r)
{
    if (r == m_shadowRadius || !(r >= 0))
        return;
    m_shadowRadius = r;
    styleDirty();
}

void MarkerLayer::setLabelScale(double s)
{
    if (s == m_labelScale || !(s > 0))
        return;
    m_labelScale = s;
    styleDirty();
}

void MarkerLayer::setLabelFamily(const QString &family)
{
    if (family == m_labelFamily)
        return;
    m_labelFamily = family;
    styleDirty();
}

void MarkerLayer::styleDirty()
{
    m_atlas = QImage();  // every sprite changes
    ++m_generation;
    m_setDirty = true;
    polish();
    emit styleChanged();
}

QSizeF MarkerLayer::canvasSize() const
{
    return QSizeF(std::round((1 + 2 * kReach) * width()), std::round((1 + 2 * kReach) * height()));
}

QString MarkerLayer::idOf(quint32 entry) const
{
    if (!m_markerIds.isEmpty())
        return m_markerIds.value(qsizetype(entry));
    return QString::number(m_set.data()->key(entry));
}

void MarkerLayer::itemChange(ItemChange change, const ItemChangeData &value)
{
    QQuickItem::itemChange(change, value);
    if (change == ItemParentHasChanged) {
        findMap();
    } else if (change == ItemSceneChange || change == ItemDevicePixelRatioHasChanged) {
        if (change == ItemSceneChange) {
            disconnect(m_frameConnection);
            if (value.window)
                m_frameConnection = connect(value.window, &QQuickWindow::afterAnimating, this, &MarkerLayer::collectBatch);
        }
        polish();
    }
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
    m_software = api == QSGRendererInterface::Software;
    if (m_software)
        return;  // painted directly: the software renderer gains nothing from a layer
    if (QObject *layer = m_canvas->property("layer").value<QObject *>()) {
        layer->setProperty("enabled", true);
        layer->setProperty("smooth", true);  // copied 1:1 at rest, scaled between a zoom and its batch
    }
}

void MarkerLayer::placeCanvas()
{
    if (!m_map || m_atlas.isNull())
        return;
    decideLayer();
    const double s = m_map->scale();
    const QPointF tl = m_map->topLeftWorld();
    const double w = width(), h = height();
    if (w <= 0 || h <= 0)
        return;
    const QPointF shift = (tl - m_canvasView) * s;
    const bool stale = m_setDirty || m_builtScale != s || std::abs(shift.x()) > kReach * 0.8 * w
        || std::abs(shift.y()) > kReach * 0.8 * h || m_canvas->size() != canvasSize();
    const bool spritesReady = m_spritesFor == m_set.data().get();  // else the coming polish builds them
    if (stale && !m_building && spritesReady)
        startBuild(s, tl);
    if (m_builtScale > 0) {
        // the batch on screen, scaled to the camera until its successor arrives
        const double f = s / m_builtScale;
        const QPointF offset = (m_canvasOrigin - tl) * s;
        m_canvas->setScale(f);
        m_canvas->setPosition(f == 1.0 ? QPointF(std::round(offset.x()), std::round(offset.y())) : offset);
    }
}

void MarkerLayer::startBuild(double scale, const QPointF &view)
{
    MarkerBatch::Input in;
    in.set = m_set;
    in.spriteOfStyle = m_spriteOfStyle;
    in.sprites = m_sprites;
    in.shadowRadius = m_shadowRadius;
    in.scale = scale;
    const double w = width(), h = height();
    in.origin = view - QPointF(std::round(kReach * w), std::round(kReach * h)) / scale;
    in.canvas = canvasSize();
    in.quads = !m_software || !m_layerDecided;  // both while the renderer is not known yet
    in.softwareSprites = m_software || !m_layerDecided;
    m_building = true;
    m_buildScale = scale;
    m_buildView = view;
    const quint64 generation = m_generation;
    const QPointF origin = in.origin;
    const QSizeF canvas = in.canvas;
    QThreadPool::globalInstance()->start([in = std::move(in), generation, scale, origin, view, canvas,
                                          delivery = m_delivery] {
        auto out = std::make_shared<MarkerBatch::Output>(MarkerBatch::build(in));
        QMutexLocker lock(&delivery->mutex);
        if (MarkerLayer *layer = delivery->layer) {
            delivery->done = {generation, scale, origin, view, canvas, std::move(out)};
            QMetaObject::invokeMethod(layer, &MarkerLayer::collectBatch, Qt::QueuedConnection);
        }
    });
}

// Called by the worker's queued call, and on every animated frame: while a window animates
// without pause, events posted from other threads may wait behind its frames.
void MarkerLayer::collectBatch()
{
    Delivery::Done done;
    {
        QMutexLocker lock(&m_delivery->mutex);
        if (!m_delivery->done.batch)
            return;
        done = std::exchange(m_delivery->done, {});
    }
    batchBuilt(done.generation, done.scale, done.origin, done.view, done.canvas, std::move(done.batch));
}

void MarkerLayer::batchBuilt(quint64 generation, double scale, const QPointF &origin, const QPointF &view,
                             const QSizeF &canvas,
                             std::shared_ptr<MarkerBatch::Output> out)
{
    m_building = false;
    ++m_batchesBuilt;
    if (generation == m_generation) {
        m_setDirty = false;
        m_builtScale = scale;
        m_canvasOrigin = origin;
        m_canvasView = view;
        m_pending = std::move(out);
        m_drawn = m_pending->drawn;
        m_canvas->setSize(canvas);  // for the view it was built for: a resize since asks for another
        m_canvas->update();
    }  // else built for markers or a style that are gone: dropped
    placeCanvas();
    if (generation == m_generation && !m_building)
        emit batchReady();
}

// --- sprites ------------------------------------------------------------------------------

void MarkerLayer::drawSprite(const MarkerData::Style &style, const QRect &cell, qreal dpr)
{
    const double d = std::lround(style.diameter * 10) / 10.0;
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
    p.setBrush(style.color);
    p.drawEllipse(c, r, r);
    if (!style.label.isEmpty()) {
        QFont font;
        if (!m_labelFamily.isEmpty())
            font.setFamily(m_labelFamily);
        font.setBold(true);
        font.setPixelSize(std::max(6, int(std::lround(d * m_labelScale))));
        p.setFont(font);
        p.setPen(QColor(0, 0, 0, 191));
        p.drawText(QRectF(c.x() - r, c.y() - r, d, d), Qt::AlignCenter, style.label);
    }
}

int MarkerLayer::spriteFor(const MarkerData::Style &style)
{
    if (!(style.diameter > 0))
        return -1;
    const QString key = spriteKey(style);
    if (const auto it = m_spriteIndex.constFind(key); it != m_spriteIndex.cend())
        return *it;
    const qreal dpr = m_atlasDpr;
    const double margin = std::ceil(m_shadowRadius * 2) + 1;
    const int side = int(std::ceil((std::lround(style.diameter * 10) / 10.0 + 2 * margin) * dpr));
    if (m_shelf.x() + side > kAtlasWidth) {
        m_shelf = QPoint(0, m_shelf.y() + m_shelfHeight + 1);
        m_shelfHeight = 0;
    }
    if (m_shelf.y() + side > m_atlas.height()) {
        // grows downwards: cells already handed out keep their pixels
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
    drawSprite(style, cell, dpr);
    m_shelf.rx() += side + 1;
    m_shelfHeight = std::max(m_shelfHeight, side);
    m_sprites.push_back({QRectF(cell), QSizeF(side / dpr, side / dpr)});
    m_spriteIndex.insert(key, int(m_sprites.size() - 1));
    m_atlasDirty = true;
    return int(m_sprites.size() - 1);
}

void MarkerLayer::updatePolish()
{
    const qreal dpr = window() ? window()->effectiveDevicePixelRatio() : 1.0;
    if (m_atlas.isNull() || dpr != m_atlasDpr) {
        if (dpr != m_atlasDpr && !m_atlas.isNull()) {
            ++m_generation;
            m_setDirty = true;
        }
        m_atlasDpr = dpr;
        m_atlas = QImage(kAtlasWidth, 256, QImage::Format_RGBA8888_Premultiplied);
        m_atlas.fill(Qt::transparent);
        m_sprites.clear();
        m_spriteIndex.clear();
        m_shelf = QPoint(0, 0);
        m_shelfHeight = 0;
        m_atlasDirty = true;
        m_spritesFor = nullptr;
    }
    const MarkerData *data = m_set.data().get();
    if (data != m_spritesFor || (data && m_spriteOfStyle.size() != size_t(data->styles().size()))) {
        m_spritesFor = data;
        m_spriteOfStyle.clear();
        if (data) {
            for (const MarkerData::Style &style : data->styles())
                m_spriteOfStyle.push_back(spriteFor(style));
        }
    }
    if (m_atlasDirty)
        m_canvas->update();
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
    bool atlasChanged = m_atlasDirty || !node->texture;
    if (software && !node->soft) {
        node->soft = new SoftwareSpriteNode(window());
        node->appendChildNode(node->soft);
        atlasChanged = true;
    }
    if (atlasChanged) {
        delete node->texture;
        node->texture = window()->createTextureFromImage(m_atlas);
        node->material->setTexture(node->texture);
        node->geometryNode->markDirty(QSGNode::DirtyMaterial);
        if (node->soft)
            node->soft->atlas = m_atlas;
        m_atlasDirty = false;
    }
    bool fresh = false;
    if (m_pending) {
        node->batch = std::move(m_pending);
        m_pending.reset();
        fresh = true;
    }
    const std::shared_ptr<MarkerBatch::Output> &batch = node->batch;
    if (batch && (atlasChanged || fresh)) {
        if (software) {
            node->soft->sprites = batch->softwareSprites;
        } else {
            // UVs come in atlas pixels: normalised here, against the atlas on screen
            const size_t quads = batch->vertices.size() / 4;
            QSGGeometry *g = node->geometryNode->geometry();
            g->allocate(int(quads * 4), int(quads * 6));
            auto *v = g->vertexDataAsTexturedPoint2D();
            quint32 *idx = g->indexDataAsUInt();
            const float aw = float(m_atlas.width()), ah = float(m_atlas.height());
            for (size_t q = 0; q < quads; ++q) {
                for (int k = 0; k < 4; ++k) {
                    const auto &src = batch->vertices[q * 4 + k];
                    v[q * 4 + k].set(src.x, src.y, src.tx / aw, src.ty / ah);
                }
                const quint32 base = quint32(q * 4);
                idx[q * 6 + 0] = base; idx[q * 6 + 1] = base + 1; idx[q * 6 + 2] = base + 2;
                idx[q * 6 + 3] = base + 2; idx[q * 6 + 4] = base + 1; idx[q * 6 + 5] = base + 3;
            }
            node->geometryNode->markDirty(QSGNode::DirtyGeometry);
        }
    }
    if (node->soft) {
        node->soft->bounds = QRectF(0, 0, m_canvas->width(), m_canvas->height());
        node->soft->markDirty(QSGNode::DirtyGeometry | QSGNode::DirtyMaterial);
    }
    return node;
}

// --- hit testing --------------------------------------------------------------------------

void MarkerLayer::ensureHitGrid() const
{
    if (!m_map || !m_set.data())
        return;
    const double s = m_map->scale();
    if (m_gridScale == s)
        return;
    m_gridScale = s;
    m_grid.clear();
    const MarkerData &data = *m_set.data();
    const std::vector<quint32> &shown = *m_set.shown();
    for (size_t k = 0; k < shown.size(); ++k) {
        if (shown[k] >= data.size() || !data.isDrawable(shown[k]))
            continue;
        const QPointF p = data.world(shown[k]) * s;
        m_grid[cellKey(int(std::floor(p.x() / kGridCell)), int(std::floor(p.y() / kGridCell)))].push_back(int(k));
    }
}

QString MarkerLayer::markerAt(const QPointF &point) const
{
    if (!m_map || m_set.isEmpty())
        return {};
    ensureHitGrid();
    const MarkerData &data = *m_set.data();
    const std::vector<quint32> &shown = *m_set.shown();
    const double s = m_map->scale();
    const QPointF at = m_map->topLeftWorld() * s + mapToItem(m_map, point);
    const int reach = int(std::ceil(data.maxDiameter() / 2 / kGridCell));
    const int cx = int(std::floor(at.x() / kGridCell)), cy = int(std::floor(at.y() / kGridCell));
    int best = -1;
    for (int dx = -reach; dx <= reach; ++dx) {
        for (int dy = -reach; dy <= reach; ++dy) {
            const auto it = m_grid.constFind(cellKey(cx + dx, cy + dy));
            if (it == m_grid.cend())
                continue;
            for (int k : *it) {
                if (k <= best)
                    continue;
                const quint32 e = shown[k];
                const QPointF p = data.world(e) * s;
                const double d = data.styles()[data.styleOf(e)].diameter;
                if (std::hypot(p.x() - at.x(), p.y() - at.y()) <= d / 2
                    && (m_excludedSet.isEmpty() || !m_excludedSet.contains(idOf(e))))
                    best = k;
            }
        }
    }
    return best < 0 ? QString() : idOf(shown[best]);
}

bool MarkerLayer::tapAt(const QPointF &point)
{
    const QString id = markerAt(point);
    if (id.isNull())
        return false;
    emit markerTapped(id);
    return true;
}
