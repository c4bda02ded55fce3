#include "MapCamera.h"

#include "Map/MapProjection.h"

#include <algorithm>

bool MapCamera::moveTo(const QPointF &center, double zoom)
{
    const QPointF c(std::clamp(center.x(), 0.0, 1.0), std::clamp(center.y(), 0.0, 1.0));
    const double z = std::clamp(zoom, m_minZoom, m_maxZoom);
    if (c == m_center && z == m_zoom)
        return false;
    m_center = c;
    m_zoom = z;
    return true;
}

void MapCamera::setMinimumZoom(double zoom) { m_minZoom = std::clamp(zoom, 0.0, m_maxZoom); }

void MapCamera::setMaximumZoom(double zoom) { m_maxZoom = std::clamp(zoom, m_minZoom, 24.0); }

double MapCamera::scale() const { return MapProjection::worldScale(m_zoom); }

QPointF MapCamera::topLeft() const
{
    const double s = scale();
    return {m_center.x() - m_viewport.width() / 2.0 / s, m_center.y() - m_viewport.height() / 2.0 / s};
}

QPointF MapCamera::toView(const QPointF &world) const
{
    const QPointF tl = topLeft();
    const double s = scale();
    return {(world.x() - tl.x()) * s, (world.y() - tl.y()) * s};
}

QPointF MapCamera::toWorld(const QPointF &viewPoint) const
{
    const QPointF tl = topLeft();
    const double s = scale();
    return {tl.x() + viewPoint.x() / s, tl.y() + viewPoint.y() / s};
}

QPointF MapCamera::dragged(double dx, double dy) const
{
    const double s = scale();
    return {m_center.x() - dx / s, m_center.y() - dy / s};
}

double MapCamera::zoomedBy(double levels) const { return std::clamp(m_zoom + levels, m_minZoom, m_maxZoom); }

QPointF MapCamera::centerKeeping(const QPointF &anchor, double zoom) const
{
    const QPointF anchorWorld = toWorld(anchor);
    const double s2 = MapProjection::worldScale(zoom);
    return {anchorWorld.x() + (m_viewport.width() / 2.0 - anchor.x()) / s2,
            anchorWorld.y() + (m_viewport.height() / 2.0 - anchor.y()) / s2};
}
