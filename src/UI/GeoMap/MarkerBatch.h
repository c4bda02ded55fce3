#pragma once

#include "Map/MarkerData.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <memory>
#include <vector>

// The picture of a marker layer's canvas for one camera: the shown markers inside the canvas,
// less those buried under the markers drawn above them, each a copy of its style's sprite. A
// pure function of its input, so it runs on a worker thread while the old canvas stays on
// screen, and showing its result uploads the canvas's tiles that hold markers, whatever the
// number of markers.
namespace MarkerBatch {

struct Sprite {
    QRectF uv;     // in the atlas, device pixels
    QSizeF size;   // logical pixels
};

struct Input {
    MarkerSet set;
    std::vector<int> spriteOfStyle;   // -1: not drawn
    std::vector<Sprite> sprites;
    QImage atlas;                     // the sprites' pixels
    double shadowRadius = 1;
    double scale = 1;                 // pixels per world unit
    QPointF origin;                   // the canvas's top-left, world units
    QSizeF canvas;                    // pixels
    qreal dpr = 1;                    // device pixels per pixel, of the canvas and the atlas
};

// A marker drawn on the canvas: where its sprite's top-left goes (pixels) and which sprite.
struct Placed {
    QPointF topLeft;
    int sprite = 0;
};

// A square of the canvas that some marker reaches; the others are empty and left out.
struct Tile {
    QRect rect;                       // in the canvas, device pixels
    QImage image;
};

struct Output {
    std::vector<Tile> tiles;          // what is shown: one texture each
    std::vector<Placed> placed;       // bottom first
    int drawn = 0;
};

Output build(const Input &in);
// The canvas's tiles with the placed sprites copied onto them, bottom first.
std::vector<Tile> paint(const Input &in, const std::vector<Placed> &placed);

// The shown positions (indices into set.shown) left after dropping the buried ones; exposed
// for tests.
std::vector<int> dropHidden(const Input &in, const std::vector<int> &shown, const QRectF &area);
std::vector<int> dropStacked(const Input &in, const std::vector<int> &shown, const QRectF &area);

}  // namespace MarkerBatch
