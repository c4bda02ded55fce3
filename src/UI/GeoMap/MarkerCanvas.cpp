#include "MarkerCanvas.h"

#include <QQuickWindow>
#include <QSGSimpleTextureNode>
#include <cmath>

MarkerCanvas::MarkerCanvas(QQuickItem *parent) : QQuickItem(parent)
{
    setFlag(ItemHasContents, true);
    setTransformOrigin(TopLeft);
}

void MarkerCanvas::show(std::vector<MarkerBatch::Tile> tiles, qreal dpr, const QSizeF &size)
{
    m_tiles = std::move(tiles);
    m_dpr = dpr;
    m_tilesChanged = true;
    m_empty = m_tiles.empty();
    setSize(size);
    update();
}

bool MarkerCanvas::atRest() const
{
    return scale() == 1.0 && x() == std::round(x()) && y() == std::round(y());
}

void MarkerCanvas::place(const QPointF &position, double scale)
{
    const bool wasAtRest = atRest();
    setScale(scale);
    setPosition(position);
    if (atRest() != wasAtRest && !m_empty)
        update();  // the filtering changes
}

QSGNode *MarkerCanvas::updatePaintNode(QSGNode *old, UpdatePaintNodeData *)
{
    QSGNode *node = old;
    if (m_tilesChanged) {
        m_tilesChanged = false;
        // a node of its own for each batch: with the tiles swapped under a kept one, the
        // software renderer went on drawing the old ones
        delete node;
        node = m_tiles.empty() ? nullptr : new QSGNode;
        for (const MarkerBatch::Tile &tile : m_tiles) {
            auto *t = new QSGSimpleTextureNode;
            t->setOwnsTexture(true);
            t->setTexture(window()->createTextureFromImage(tile.image));
            t->setRect(QRectF(tile.rect.topLeft() / m_dpr, QSizeF(tile.rect.size()) / m_dpr));
            node->appendChildNode(t);
        }
        m_tiles.clear();
    }
    if (!node)
        return nullptr;
    // Copied pixel for pixel at rest; smooth only while a zoom scales the old picture.
    const QSGTexture::Filtering filtering = atRest() ? QSGTexture::Nearest : QSGTexture::Linear;
    for (QSGNode *child = node->firstChild(); child; child = child->nextSibling())
        static_cast<QSGSimpleTextureNode *>(child)->setFiltering(filtering);
    return node;
}
