#pragma once

#include <QPointF>
#include <QSizeF>

// Where a map looks: the world point (MapProjection units) at the middle of a view of some size
// in pixels, and the zoom, kept within the world and the zoom limits. Converts between the
// view's pixels and world units, and works out where a drag or a zoom about a point leads.
class MapCamera
{
public:
    QPointF center() const { return m_center; }
    double zoom() const { return m_zoom; }
    // Moves the camera, clamped; false when that changes nothing.
    bool moveTo(const QPointF &center, double zoom);

    double minimumZoom() const { return m_minZoom; }
    double maximumZoom() const { return m_maxZoom; }
    // The limits keep min <= max; the camera is not moved here (moveTo clamps it).
    void setMinimumZoom(double zoom);
    void setMaximumZoom(double zoom);

    QSizeF viewport() const { return m_viewport; }
    void setViewport(const QSizeF &size) { m_viewport = size; }

    // Pixels per world unit.
    double scale() const;
    // The world point at the view's top-left corner.
    QPointF topLeft() const;
    QPointF toView(const QPointF &world) const;
    QPointF toWorld(const QPointF &viewPoint) const;

    // The centre after a drag of (dx, dy) pixels.
    QPointF dragged(double dx, double dy) const;
    // The zoom after `levels` more, within the limits, and the centre that keeps the world
    // point under `anchor` (view pixels) in place there.
    double zoomedBy(double levels) const;
    QPointF centerKeeping(const QPointF &anchor, double zoom) const;

private:
    QPointF m_center;
    double m_zoom = 6.0;
    double m_minZoom = 2.0;
    double m_maxZoom = 18.0;
    QSizeF m_viewport;
};
