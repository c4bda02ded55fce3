#pragma once

#include "Map/MarkerData.h"
#include "SoftwareNodes.h"

#include <QRectF>
#include <QSGGeometry>
#include <QSizeF>
#include <memory>
#include <vector>

// The quads of a marker layer's canvas for one camera: the shown markers inside the canvas,
// less those buried under the markers drawn above them. A pure function of its input, so it
// runs on a worker thread while the old canvas stays on screen.
namespace MarkerBatch {

struct Sprite {
    QRectF uv;     // in the atlas, device pixels
    QSizeF size;   // logical pixels
};

struct Input {
    MarkerSet set;
    std::vector<int> spriteOfStyle;   // -1: not drawn
    std::vector<Sprite> sprites;
    double shadowRadius = 1;
    double scale = 1;                 // pixels per world unit
    QPointF origin;                   // the canvas's top-left, world units
    QSizeF canvas;                    // pixels
    bool quads = true;                // for a GPU renderer
    bool softwareSprites = false;     // for the software renderer's node
};

struct Output {
    std::vector<QSGGeometry::TexturedPoint2D> vertices;  // 4 per quad
    std::vector<SoftwareSpriteNode::Sprite> softwareSprites;
    int drawn = 0;
};

Output build(const Input &in);

// The shown positions (indices into set.shown) left after dropping the buried ones; exposed
// for tests.
std::vector<int> dropHidden(const Input &in, const std::vector<int> &shown, const QRectF &area);
std::vector<int> dropStacked(const Input &in, const std::vector<int> &shown, const QRectF &area);

}  // namespace MarkerBatch
