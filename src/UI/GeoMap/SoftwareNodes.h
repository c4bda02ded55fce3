#pragma once

#include <QColor>
#include <QPainterPath>
#include <QSGRenderNode>

class CoastlineData;
class QQuickWindow;

// Drawing for Qt Quick's software renderer, which draws no custom geometry: the same
// content painted with QPainter. Used when the scene graph runs without a GPU API (the
// offscreen platform of the tests, machines without OpenGL).

class SoftwareCoastNode : public QSGRenderNode
{
public:
    explicit SoftwareCoastNode(QQuickWindow *window) : m_window(window) {}

    void setState(const CoastlineData *data, int level, const QPointF &topLeftWorld, double scale,
                  const QRectF &bounds, const QColor &land, const QColor &coast, double coastWidth);

    void render(const RenderState *state) override;
    StateFlags changedStates() const override { return {}; }
    RenderingFlags flags() const override { return BoundedRectRendering; }
    QRectF rect() const override { return m_bounds; }

private:
    QQuickWindow *m_window;
    const CoastlineData *m_data = nullptr;
    int m_level = -1;
    QPointF m_topLeft;
    double m_scale = 1;
    QRectF m_bounds;
    QColor m_land, m_coast;
    double m_coastWidth = 1;
};
