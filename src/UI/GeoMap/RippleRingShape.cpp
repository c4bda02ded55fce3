#include "RippleRingShape.h"

#include <QLinearGradient>
#include <QPainter>

RippleRingShape::RippleRingShape(QQuickItem *parent) : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
    setMipmap(true);  // scaled down to a third at rest
}

void RippleRingShape::setLineWidth(double w)
{
    if (w == m_lineWidth)
        return;
    m_lineWidth = w;
    update();
    emit lineWidthChanged();
}

void RippleRingShape::paint(QPainter *painter)
{
    const QRectF r = boundingRect();
    const QPointF c = r.center();
    QLinearGradient g(c, QPointF(r.right(), c.y()));
    g.setColorAt(0, QColor::fromRgbF(1.0f, 0.231f, 0.188f, 0.75f));   // system red
    g.setColorAt(1, QColor::fromRgbF(1.0f, 0.8f, 0.0f, 0.3f));        // system yellow
    QPen pen(QBrush(g), m_lineWidth);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    // The stroke is centred on the circle; keep it inside the item.
    const double inset = m_lineWidth / 2;
    painter->drawEllipse(r.adjusted(inset, inset, -inset, -inset));
}
