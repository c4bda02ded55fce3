#include "SoftwareNodes.h"

#include "CoastlineData.h"

#include <QPainter>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <algorithm>

namespace {
QPainter *painterOf(QQuickWindow *window)
{
    QSGRendererInterface *rif = window->rendererInterface();
    return static_cast<QPainter *>(rif->getResource(window, QSGRendererInterface::PainterResource));
}
}  // namespace

void SoftwareCoastNode::setState(const CoastlineData *data, int level, const QPointF &topLeftWorld, double scale,
                                 const QRectF &bounds, const QColor &land, const QColor &coast, double coastWidth)
{
    m_data = data;
    m_level = level;
    m_topLeft = topLeftWorld;
    m_scale = scale;
    m_bounds = bounds;
    m_land = land;
    m_coast = coast;
    m_coastWidth = coastWidth;
    markDirty(QSGNode::DirtyGeometry | QSGNode::DirtyMaterial);
}

void SoftwareCoastNode::render(const RenderState *state)
{
    if (!m_data || m_level < 0 || m_level >= m_data->levels().size())
        return;
    QPainter *p = painterOf(m_window);
    if (!p)
        return;
    // Only what touches the view, in pixels: the raster engine is slow with geometry far
    // outside the device.
    const auto &lvl = m_data->levels()[m_level];
    const double margin = 4.0 / m_scale;
    const QRectF view(m_topLeft.x() - margin, m_topLeft.y() - margin,
                      m_bounds.width() / m_scale + 2 * margin, m_bounds.height() / m_scale + 2 * margin);
    auto px = [this](const QPointF &w) { return (w - m_topLeft) * m_scale; };
    QPainterPath fill;
    fill.setFillRule(Qt::WindingFill);
    for (qsizetype i = 0; i + 2 < lvl.fillIndices.size(); i += 3) {
        const QPointF &a = lvl.fillVertices[lvl.fillIndices[i]];
        const QPointF &b = lvl.fillVertices[lvl.fillIndices[i + 1]];
        const QPointF &c = lvl.fillVertices[lvl.fillIndices[i + 2]];
        const double x0 = std::min({a.x(), b.x(), c.x()}), x1 = std::max({a.x(), b.x(), c.x()});
        const double y0 = std::min({a.y(), b.y(), c.y()}), y1 = std::max({a.y(), b.y(), c.y()});
        if (x1 < view.left() || x0 > view.right() || y1 < view.top() || y0 > view.bottom())
            continue;
        // one orientation for all, so that nonzero winding never cancels; the union of the
        // triangles fills without seams
        const double cross = (b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x());
        fill.moveTo(px(a));
        fill.lineTo(px(cross >= 0 ? b : c));
        fill.lineTo(px(cross >= 0 ? c : b));
        fill.closeSubpath();
    }
    QPainterPath lines;
    for (const auto &line : lvl.lines) {
        const qsizetype n = line.points.size();
        const qsizetype segments = line.closed ? n : n - 1;
        bool drawing = false;
        for (qsizetype k = 0; k < segments; ++k) {
            const QPointF &a = line.points[k];
            const QPointF &b = line.points[(k + 1) % n];
            const bool inView = !(std::max(a.x(), b.x()) < view.left() || std::min(a.x(), b.x()) > view.right()
                                  || std::max(a.y(), b.y()) < view.top() || std::min(a.y(), b.y()) > view.bottom());
            if (!inView) {
                drawing = false;
                continue;
            }
            if (!drawing)
                lines.moveTo(px(a));
            lines.lineTo(px(b));
            drawing = true;
        }
    }
    p->save();
    // the clip region is in window coordinates: set it before the node's transform
    p->setTransform(QTransform());
    if (const QRegion *clip = state->clipRegion(); clip && !clip->isEmpty())
        p->setClipRegion(*clip, Qt::ReplaceClip);
    p->setTransform(matrix()->toTransform());
    p->setOpacity(inheritedOpacity());
    p->setRenderHint(QPainter::Antialiasing);
    p->setPen(Qt::NoPen);
    p->setBrush(m_land);
    p->drawPath(fill);
    QPen pen(m_coast, m_coastWidth);
    pen.setJoinStyle(Qt::RoundJoin);
    p->setPen(pen);
    p->setBrush(Qt::NoBrush);
    p->drawPath(lines);
    p->restore();
}
