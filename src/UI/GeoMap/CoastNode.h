#pragma once

#include "CoastlineData.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSGNode>
#include <vector>

class QSGGeometryNode;
class QSGTransformNode;

// The coastlines on a GPU renderer: a transform node per chunk of the level in use (see
// CoastGeometry), left out of the frame while it is out of view. A pan moves the chunks; a zoom
// also scales them, and rebuilds only the shore strips of the chunks in view. The land is built
// once per level and colour. Every land is drawn before any shore.
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

    // The chunk nodes of the level, and whether each is in this frame.
    int chunkCount() const;
    bool isChunkShown(int chunk) const;
    QSGGeometryNode *landOf(int chunk) const;
    QSGGeometryNode *shoreOf(int chunk) const;

private:
    struct ChunkNode;
    void clear();

    QSGNode *m_lands;
    QSGNode *m_shores;
    std::vector<ChunkNode> m_chunks;
    int m_level = -1;
    Look m_look;
};
