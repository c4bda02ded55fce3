#include "MarkerCanvas.h"

#include <QQuickWindow>
#include <QSGSimpleTextureNode>
#include <cmath>

MarkerCanvas::MarkerCanvas(QQuickItem *parent) : QQuickItem(parent)
{
    setFlag(ItemHasContents, true);
    setTransformOrigin(TopLeft);
}

void MarkerCanvas::show(const QImage &picture, const QSizeF &size)
{
    m_picture = picture;
    m_pictureChanged = true;
    m_empty = picture.isNull();
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
    auto *node = static_cast<QSGSimpleTextureNode *>(old);
    if (m_pictureChanged) {
        m_pictureChanged = false;
        if (m_picture.isNull()) {
            delete node;
            return nullptr;
        }
        if (!node) {
            node = new QSGSimpleTextureNode;
            node->setOwnsTexture(true);
        }
        node->setTexture(window()->createTextureFromImage(m_picture));  // deletes the previous one
        m_picture = QImage();
    }
    if (!node)
        return nullptr;
    node->setRect(boundingRect());
    // Copied pixel for pixel at rest; smooth only while a zoom scales the old picture.
    node->setFiltering(atRest() ? QSGTexture::Nearest : QSGTexture::Linear);
    return node;
}
