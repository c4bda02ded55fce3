#include "SoftwareNodes.h"

#include "CoastlineData.h"

#include <QPainter>
#include <QQuickWindow>
#include <QSGRendererInterface>

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
    markDirty(QSGNode::DirtyMaterial);
}

void SoftwareCoastNode::render(const RenderState *state)
{
    if (!m_data || m_level < 0 || m_level >= m_data->levels().size())
        return;
    if (m_pathsLevel != m_level) {
        // one path of all land triangles (their union fills without seams) and one of shores
        const auto &lvl = m_data->levels()[m_level];
        m_fill = QPainterPath();
        m_fill.setFillRule(Qt::WindingFill);
        for (qsizetype i = 0; i + 2 < lvl.fillIndices.size(); i += 3) {
            const QPointF &a = lvl.fillVertices[lvl.fillIndices[i]];
            const QPointF &b = lvl.fillVertices[lvl.fillIndices[i + 1]];
            const QPointF &c = lvl.fillVertices[lvl.fillIndices[i + 2]];
            // one orientation for all, so that nonzero winding never cancels
            const double cross = (b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x());
            m_fill.moveTo(a);
            m_fill.lineTo(cross >= 0 ? b : c);
            m_fill.lineTo(cross >= 0 ? c : b);
            m_fill.closeSubpath();
        }
        m_lines = QPainterPath();
        for (const auto &line : lvl.lines) {
            m_lines.moveTo(line.points.first());
            for (qsizetype k = 1; k < line.points.size(); ++k)
                m_lines.lineTo(line.points[k]);
            if (line.closed)
                m_lines.closeSubpath();
        }
        m_pathsLevel = m_level;
    }
    QPainter *p = painterOf(m_window);
    if (!p)
        return;
    p->save();
    p->setTransform(matrix()->toTransform());
    p->setOpacity(inheritedOpacity());
    if (const QRegion *clip = state->clipRegion(); clip && !clip->isEmpty())
        p->setClipRegion(*clip, Qt::ReplaceClip);
    p->setRenderHint(QPainter::Antialiasing);
    QTransform world;
    world.scale(m_scale, m_scale);
    world.translate(-m_topLeft.x(), -m_topLeft.y());
    p->setPen(Qt::NoPen);
    p->setBrush(m_land);
    p->drawPath(world.map(m_fill));
    QPen pen(m_coast, m_coastWidth);
    pen.setJoinStyle(Qt::RoundJoin);
    p->setPen(pen);
    p->setBrush(Qt::NoBrush);
    p->drawPath(world.map(m_lines));
    p->restore();
}

void SoftwareSpriteNode::render(const RenderState *state)
{
    QPainter *p = painterOf(m_window);
    if (!p || atlas.isNull())
        return;
    p->save();
    p->setTransform(matrix()->toTransform());
    p->setOpacity(inheritedOpacity());
    if (const QRegion *clip = state->clipRegion(); clip && !clip->isEmpty())
        p->setClipRegion(*clip, Qt::ReplaceClip);
    const QRectF &visible = bounds;
    for (const Sprite &s : sprites) {
        const QRectF target(s.position, s.size);
        if (target.intersects(visible))
            p->drawImage(target, atlas, s.source);
    }
    p->restore();
}
