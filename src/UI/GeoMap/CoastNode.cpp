#include "CoastNode.h"

#include "CoastGeometry.h"

#include <QSGFlatColorMaterial>
#include <QSGGeometryNode>
#include <QSGTransformNode>
#include <QSGVertexColorMaterial>

namespace {

// A transform node left out of the frame, without leaving the tree.
class PlacedNode : public QSGTransformNode
{
public:
    explicit PlacedNode(QSGGeometryNode *content) : content(content) { appendChildNode(content); }
    bool isSubtreeBlocked() const override { return hidden; }
    void setHidden(bool h)
    {
        if (h == hidden)
            return;
        hidden = h;
        markDirty(DirtySubtreeBlocked);
    }

    QSGGeometryNode *content;
    bool hidden = false;
};

QSGGeometryNode *geometryNode(QSGMaterial *material, QSGGeometry *geometry)
{
    auto *node = new QSGGeometryNode;
    node->setFlags(QSGNode::OwnsGeometry | QSGNode::OwnsMaterial);
    node->setMaterial(material);
    node->setGeometry(geometry);
    return node;
}

}  // namespace

// One chunk: its land and its shore, each under a transform that places it. Every land is
// drawn before any shore, so that a neighbour's land never covers a shore's inner half.
struct CoastNode::ChunkNode {
    PlacedNode *land = nullptr;    // made when the chunk is first in view
    PlacedNode *shore = nullptr;
    double shoreScale = -1;           // the scale the shore was built for
};

CoastNode::CoastNode() : m_lands(new QSGNode), m_shores(new QSGNode)
{
    appendChildNode(m_lands);
    appendChildNode(m_shores);
}

CoastNode::~CoastNode() = default;  // the chunks' nodes are children

void CoastNode::clear()
{
    for (QSGNode *group : {m_lands, m_shores}) {
        while (QSGNode *child = group->firstChild()) {
            group->removeChildNode(child);
            delete child;
        }
    }
    m_levels.clear();
}

int CoastNode::chunkCount() const { return m_level < 0 ? 0 : int(m_levels[m_level].size()); }
bool CoastNode::isChunkShown(int chunk) const
{
    const ChunkNode &node = m_levels[m_level][chunk];
    return node.land && !node.land->hidden;
}
QSGGeometryNode *CoastNode::landOf(int chunk) const
{
    const ChunkNode &node = m_levels[m_level][chunk];
    return node.land ? node.land->content : nullptr;
}
QSGGeometryNode *CoastNode::shoreOf(int chunk) const
{
    const ChunkNode &node = m_levels[m_level][chunk];
    return node.shore ? node.shore->content : nullptr;
}

void CoastNode::update(const CoastlineData &data, int level, const QPointF &topLeft, double scale,
                       const QSizeF &viewSize, const Look &look)
{
    if (data.isEmpty())
        return;
    const std::vector<CoastGeometry::Chunk> &chunks = CoastGeometry::chunksOf(data, level);
    const double units = CoastGeometry::unitScale(data.levels()[level]);
    if (look != m_look) {
        clear();
        m_look = look;
    }
    if (m_levels.empty())
        m_levels.resize(size_t(data.levels().size()));
    if (level != m_level && m_level >= 0) {
        // the level left keeps its chunks, out of the frame, for the next time a zoom comes back
        for (ChunkNode &node : m_levels[m_level]) {
            if (node.land) {
                node.land->setHidden(true);
                node.shore->setHidden(true);
            }
        }
    }
    m_level = level;
    std::vector<ChunkNode> &nodes = m_levels[level];
    nodes.resize(chunks.size());
    // the view, widened by the shore's reach
    const double margin = (look.coastWidth + 2) / scale;
    const QRectF view(topLeft.x() - margin, topLeft.y() - margin, viewSize.width() / scale + 2 * margin,
                      viewSize.height() / scale + 2 * margin);
    for (size_t i = 0; i < chunks.size(); ++i) {
        const CoastGeometry::Chunk &chunk = chunks[i];
        ChunkNode &node = nodes[i];
        const bool inView = chunk.bounds.right() >= view.left() && chunk.bounds.left() <= view.right()
            && chunk.bounds.bottom() >= view.top() && chunk.bounds.top() <= view.bottom();
        if (!inView) {
            if (node.land) {
                node.land->setHidden(true);
                node.shore->setHidden(true);
            }
            continue;
        }
        if (!node.land) {
            // built when first in view: most chunks of a fine level never are
            auto *material = new QSGFlatColorMaterial;
            material->setColor(look.land);
            node.land = new PlacedNode(geometryNode(material, CoastGeometry::buildFill(chunk, units)));
            node.shore = new PlacedNode(geometryNode(new QSGVertexColorMaterial,
                                                     new QSGGeometry(QSGGeometry::defaultAttributes_ColoredPoint2D(), 0)));
            m_lands->appendChildNode(node.land);
            m_shores->appendChildNode(node.shore);
        }
        node.land->setHidden(false);
        node.shore->setHidden(false);
        if (node.shoreScale != scale) {
            node.shoreScale = scale;
            node.shore->content->setGeometry(CoastGeometry::buildStroke(chunk, units, scale, look.coastWidth, look.coast));
        }
        const QPointF offset = (chunk.origin - topLeft) * scale;
        QMatrix4x4 m;
        m.translate(float(offset.x()), float(offset.y()));
        m.scale(float(scale / units));
        node.land->setMatrix(m);
        node.shore->setMatrix(m);
    }
}
