#pragma once

#include "CoastlineData.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSGNode>
#include <vector>

class QSGGeometryNode;
class QSGTransformNode;

// The coastlines on a GPU renderer: a transform node per chunk (see CoastGeometry), made when
// the chunk first comes into view and left out of the frame while it is out of view, also
// while a zoom shows another level. A pan moves the chunks; a zoom also scales them, and
// rebuilds only the shore strips of the chunks in view. A chunk's land is built once per
// colour. Every land is drawn before any shore.
class CoastNode : public QSGNode
{
public:
    CoastNode();
    ~CoastNode() override;

    struct Look {
        QColor land, coast;
        double coastWidth = 1;        // pixels
        friend bool operator==(const Look &, const Look &) = default;
    };
    // Shows `level` for a view of `viewSize` pixels whose top-left lies at `topLeft` (world
    // units), at `scale` pixels per world unit.
    void update(const CoastlineData &data, int level, const QPointF &topLeft, double scale, const QSizeF &viewSize,
                const Look &look);

    // The chunks of the level last shown, whether each is in the frame, and its nodes (null
    // until it first comes into view).
    int chunkCount() const;
    bool isChunkShown(int chunk) const;
    QSGGeometryNode *landOf(int chunk) const;
    QSGGeometryNode *shoreOf(int chunk) const;

private:
    struct ChunkNode;
    void clear();

    QSGNode *m_lands;
    QSGNode *m_shores;
    std::vector<std::vector<ChunkNode>> m_levels;   // by level, by chunk
    int m_level = -1;
    Look m_look;
};
