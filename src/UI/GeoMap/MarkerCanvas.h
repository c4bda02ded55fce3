#pragma once

#include "MarkerBatch.h"

#include <QQuickItem>
#include <vector>

// The markers' drawing surface: a picture larger than the view, in tiles (only those that
// hold markers), moved (and, until a rebuilt batch arrives, scaled) as a whole while the
// camera changes, so that a frame draws a few textured quads whatever the number of markers.
class MarkerCanvas : public QQuickItem
{
public:
    explicit MarkerCanvas(QQuickItem *parent = nullptr);

    // The tiles shown from the next frame on (device pixels at `dpr`), and the size the canvas
    // covers in pixels.
    void show(std::vector<MarkerBatch::Tile> tiles, qreal dpr, const QSizeF &size);
    // Moves and scales the canvas; at rest (unscaled, on whole pixels) it is sampled 1:1.
    void place(const QPointF &position, double scale);

protected:
    QSGNode *updatePaintNode(QSGNode *old, UpdatePaintNodeData *) override;

private:
    bool atRest() const;

    std::vector<MarkerBatch::Tile> m_tiles;   // waiting for the next frame
    qreal m_dpr = 1;
    bool m_tilesChanged = false;
    bool m_empty = true;
};
