#pragma once

#include <QImage>
#include <QQuickItem>

// The markers' drawing surface: one picture, larger than the view, moved (and, until a rebuilt
// batch arrives, scaled) as a whole while the camera changes, so that a frame draws one
// textured quad whatever the number of markers.
class MarkerCanvas : public QQuickItem
{
public:
    explicit MarkerCanvas(QQuickItem *parent = nullptr);

    // The picture shown from the next frame on (device pixels; null shows nothing), and the
    // size it covers in pixels.
    void show(const QImage &picture, const QSizeF &size);
    // Moves and scales the canvas; at rest (unscaled, on whole pixels) it is sampled 1:1.
    void place(const QPointF &position, double scale);

protected:
    QSGNode *updatePaintNode(QSGNode *old, UpdatePaintNodeData *) override;

private:
    bool atRest() const;

    QImage m_picture;               // waiting for the next frame
    bool m_pictureChanged = false;
    bool m_empty = true;
};
