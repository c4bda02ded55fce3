#pragma once

#include "CoastlineData.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSGGeometry>
#include <optional>
#include <vector>

// The bundled coastlines as scene-graph geometry. Each level is cut into chunks of about a
// thousand pixels at the level's zoom, so that a frame draws only the chunks in view: what a
// frame costs then follows what it shows, not the level's whole detail.
//
// A chunk's geometry is relative to its origin, in "units" of unitScale(level) per world unit.
// The land is built once and drawn at any zoom through a transform that scales units to
// pixels; the shore is a strip of constant pixel width, so it is rebuilt for a new scale, in
// the same units.
namespace CoastGeometry {

// A piece of one shoreline that lies in one chunk.
struct Line {
    std::vector<QPointF> points;      // world units
    bool closed = false;
    // The shore's points just beyond each end when it goes on in another chunk: a joint
    // between two chunks is mitred alike from both sides.
    std::optional<QPointF> before, after;
};

struct Chunk {
    QPointF origin;                   // world units
    QRectF bounds;                    // world units, of everything the chunk draws
    std::vector<QPointF> fill;        // land triangles' corners, world units
    std::vector<quint32> fillIndices;
    std::vector<Line> lines;
};

// Units per world unit for a level: its zoom's pixels.
double unitScale(const CoastlineData::Level &level);

// The chunks of one level, cut on first use and kept as long as the data.
const std::vector<Chunk> &chunksOf(const CoastlineData &data, int level);

// The chunk's land triangles, relative to its origin in units.
QSGGeometry *buildFill(const Chunk &chunk, double unitScale);

// The chunk's shore as anti-aliased strips `width` pixels wide at `scale` pixels per world
// unit, relative to its origin in units.
QSGGeometry *buildStroke(const Chunk &chunk, double unitScale, double scale, double width, const QColor &color);

}  // namespace CoastGeometry
