#pragma once

#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

// The ring of a RippleRing: a circle outline of lineWidth, inscribed in the item, stroked with
// a linear gradient from red at 0.75 opacity (at the centre) to yellow at 0.3 (at the right,
// trailing edge). Painted rather than a Shape: Qt 6.4 shapes have no gradient strokes, and
// this anti-aliases without a multisampled layer. RippleRing draws it at its largest size
// and scales it down, so the ring stays sharp while it grows.
class RippleRingShape : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(double lineWidth READ lineWidth WRITE setLineWidth NOTIFY lineWidthChanged)
public:
    explicit RippleRingShape(QQuickItem *parent = nullptr);
    double lineWidth() const { return m_lineWidth; }
    void setLineWidth(double w);
    void paint(QPainter *painter) override;

signals:
    void lineWidthChanged();

private:
    double m_lineWidth = 2.0;
};
