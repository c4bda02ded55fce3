#include "MapAnnotation.h"

#include "GeoMap.h"

#include <QAccessible>
#include <cmath>

MapAnnotation::MapAnnotation(QQuickItem *parent) : QQuickItem(parent)
{
    connect(this, &QQuickItem::childrenRectChanged, this, [this](const QRectF &r) {
        setImplicitSize(r.right(), r.bottom());
    });
}

void MapAnnotation::setCoordinate(const QGeoCoordinate &c)
{
    if (c == m_coordinate)
        return;
    m_coordinate = c;
    reposition();
    emit coordinateChanged();
}

void MapAnnotation::setAnchorPoint(AnchorPoint a)
{
    if (a == m_anchor)
        return;
    m_anchor = a;
    reposition();
    emit anchorPointChanged();
}

void MapAnnotation::setTitle(const QString &t)
{
    if (t == m_title)
        return;
    m_title = t;
    emit titleChanged();
}

void MapAnnotation::itemChange(ItemChange change, const ItemChangeData &value)
{
    QQuickItem::itemChange(change, value);
    if (change == ItemParentHasChanged)
        findMap();
}

void MapAnnotation::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size())
        reposition();
}

void MapAnnotation::findMap()
{
    GeoMap *found = GeoMap::enclosing(this);
    if (found == m_map)
        return;
    disconnect(m_cameraConnection);
    m_map = found;
    if (m_map)
        m_cameraConnection = connect(m_map, &GeoMap::visibleRegionChanged, this, &MapAnnotation::reposition);
    reposition();
}

void MapAnnotation::reposition()
{
    if (!m_map || !parentItem())
        return;
    QPointF p = m_map->fromCoordinate(m_coordinate);
    if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
        p = QPointF(-1e6, -1e6);  // no coordinate: out of sight
    p = parentItem()->mapFromItem(m_map, p);
    const double dy = m_anchor == Center ? height() / 2 : height();
    // whole pixels keep text and strokes crisp
    setPosition(QPointF(std::round(p.x() - width() / 2), std::round(p.y() - dy)));
}
