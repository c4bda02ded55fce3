#include "MarkerLayer.h"

#include "GeoMap.h"

#include <QQuickWindow>
#include <cmath>

namespace {

// How far the canvas reaches beyond the view on each side, as a fraction of the view: room
// for a pan before a rebuild, paid for in pixels drawn at every rebuild.
constexpr double kReach = 0.25;

}  // namespace

MarkerLayer::MarkerLayer(QQuickItem *parent)
    : QQuickItem(parent), m_builder(new MarkerBatchBuilder(this)), m_canvas(new MarkerCanvas(this))
{
    connect(m_builder, &MarkerBatchBuilder::built, this, &MarkerLayer::batchBuilt);
}

MarkerLayer::~MarkerLayer() = default;

void MarkerLayer::setMarkerSet(const MarkerSet &set)
{
    if (set == m_set)
        return;
    assign(set, {}, {});
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
    assign(MarkerSet(std::move(data), std::move(shown)), markers, ids);
}

// Everything the set is read with is in place before anyone hears of it.
void MarkerLayer::assign(const MarkerSet &set, const QList<MapMarker> &markers, const QStringList &ids)
{
    m_set = set;
    m_markers = markers;
    m_markerIds = ids;
    m_builder->invalidate();
    m_setDirty = true;
    m_hitGrid.clear();
    polish();
    emit markersChanged();
}

void MarkerLayer::setExcludedIds(const QStringList &ids)
{
    if (ids == m_excluded)
        return;
    // Only hits change: the annotations shown for these ids cover their markers.
    m_excluded = ids;
    m_excludedSet = QSet<QString>(ids.cbegin(), ids.cend());
    emit excludedIdsChanged();
}

void MarkerLayer::setShadowRadius(double r)
{
    if (r == m_look.shadowRadius || !(r >= 0))
        return;
    m_look.shadowRadius = r;
    styleDirty();
}

void MarkerLayer::setLabelScale(double s)
{
    if (s == m_look.labelScale || !(s > 0))
        return;
    m_look.labelScale = s;
    styleDirty();
}

void MarkerLayer::setLabelFamily(const QString &family)
{
    if (family == m_look.labelFamily)
        return;
    m_look.labelFamily = family;
    styleDirty();
}

void MarkerLayer::styleDirty()
{
    m_atlas = SpriteAtlas();  // every sprite changes
    m_builder->invalidate();
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
                m_frameConnection = connect(value.window, &QQuickWindow::afterAnimating, m_builder,
                                            &MarkerBatchBuilder::collect);
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

void MarkerLayer::placeCanvas()
{
    if (!m_map || m_atlas.isNull())
        return;
    const double s = m_map->scale();
    const QPointF tl = m_map->topLeftWorld();
    const double w = width(), h = height();
    if (w <= 0 || h <= 0)
        return;
    const QPointF shift = (tl - m_canvasView) * s;
    const bool stale = m_setDirty || m_builtScale != s || std::abs(shift.x()) > kReach * 0.8 * w
        || std::abs(shift.y()) > kReach * 0.8 * h || m_canvas->size() != canvasSize();
    const bool spritesReady = m_spritesFor == m_set.data().get();  // else the coming polish draws them
    if (stale && !isBuilding() && spritesReady)
        startBuild(s, tl);
    if (m_builtScale > 0) {
        // the canvas on screen, scaled to the camera until its successor arrives
        const double f = s / m_builtScale;
        const QPointF offset = (m_canvasOrigin - tl) * s;
        m_canvas->place(f == 1.0 ? QPointF(std::round(offset.x()), std::round(offset.y())) : offset, f);
    }
}

void MarkerLayer::startBuild(double scale, const QPointF &view)
{
    MarkerBatch::Input in;
    in.set = m_set;
    in.spriteOfStyle = m_spriteOfStyle;
    in.sprites = m_atlas.sprites();
    in.atlas = m_atlas.image();
    in.dpr = m_atlas.dpr();
    in.shadowRadius = m_look.shadowRadius;
    in.scale = scale;
    const double w = width(), h = height();
    in.origin = view - QPointF(std::round(kReach * w), std::round(kReach * h)) / scale;
    in.canvas = canvasSize();
    m_builder->start(std::move(in), view);
}

void MarkerLayer::batchBuilt(const MarkerBatchBuilder::Done &done, bool current)
{
    if (current) {
        m_setDirty = false;
        m_builtScale = done.scale;
        m_canvasOrigin = done.origin;
        m_canvasView = done.view;
        m_drawn = done.batch->drawn;
        // for the view it was built for: a resize since asks for another
        m_canvas->show(std::move(done.batch->tiles), m_atlas.dpr(), done.canvas);
    }  // else built for markers or a style that are gone: dropped
    placeCanvas();
    if (current && !isBuilding())
        emit batchReady();
}

void MarkerLayer::updatePolish()
{
    const qreal dpr = window() ? window()->effectiveDevicePixelRatio() : 1.0;
    if (m_atlas.isNull() || dpr != m_atlas.dpr()) {
        if (dpr != m_atlas.dpr() && !m_atlas.isNull()) {
            m_builder->invalidate();
            m_setDirty = true;
        }
        m_atlas.reset(dpr);
        m_spritesFor = nullptr;
    }
    const MarkerData *data = m_set.data().get();
    if (data != m_spritesFor || (data && m_spriteOfStyle.size() != size_t(data->styles().size()))) {
        m_spritesFor = data;
        m_spriteOfStyle.clear();
        if (data) {
            for (const MarkerData::Style &style : data->styles())
                m_spriteOfStyle.push_back(m_atlas.spriteFor(style, m_look));
        }
    }
    placeCanvas();
}

QString MarkerLayer::markerAt(const QPointF &point) const
{
    if (!m_map || m_set.isEmpty())
        return {};
    const double s = m_map->scale();
    const QPointF at = m_map->topLeftWorld() * s + mapToItem(m_map, point);
    const int k = m_hitGrid.topmostAt(m_set, s, at, [this](quint32 entry) {
        return m_excludedSet.isEmpty() || !m_excludedSet.contains(idOf(entry));
    });
    return k < 0 ? QString() : idOf((*m_set.shown())[k]);
}

bool MarkerLayer::tapAt(const QPointF &point)
{
    const QString id = markerAt(point);
    if (id.isNull())
        return false;
    emit markerTapped(id);
    return true;
}
