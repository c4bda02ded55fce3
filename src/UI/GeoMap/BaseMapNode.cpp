#include "BaseMapNode.h"

#include "CoastlineData.h"
#include "SoftwareNodes.h"

#include <QQuickWindow>
#include <QSGClipNode>
#include <QSGRendererInterface>
#include <QSGSimpleRectNode>
#include <QSGSimpleTextureNode>

BaseMapNode::BaseMapNode()
{
    m_clip = new QSGClipNode;
    m_clip->setIsRectangular(true);
    appendChildNode(m_clip);
    m_sea = new QSGSimpleRectNode;
    m_clip->appendChildNode(m_sea);
    m_coast = new CoastNode;
    m_clip->appendChildNode(m_coast);
    m_tiles = new TileNode;
    m_clip->appendChildNode(m_tiles);
}

BaseMapNode::~BaseMapNode() { delete m_attributionTexture; }

void BaseMapNode::update(const Frame &frame, QQuickWindow *window)
{
    m_clip->setClipRect(frame.bounds);
    m_sea->setRect(frame.bounds);
    m_sea->setColor(frame.sea);

    const CoastlineData &data = CoastlineData::bundled();
    if (!data.isEmpty()) {
        const int level = data.levelFor(frame.zoom);
        if (window->rendererInterface()->graphicsApi() == QSGRendererInterface::Software) {
            if (!m_softCoast) {
                m_softCoast = new SoftwareCoastNode(window);
                m_clip->insertChildNodeAfter(m_softCoast, m_coast);
            }
            m_softCoast->setState(&data, level, frame.topLeft, frame.scale, frame.bounds, frame.coast.land,
                                  frame.coast.coast, frame.coast.coastWidth);
        } else {
            m_coast->update(data, level, frame.topLeft, frame.scale, frame.bounds.size(), frame.coast);
        }
    }

    m_tiles->update(frame.tiles->pieces(), window);
    updateAttribution(frame.tiles->attribution(), frame.bounds, window);
}

void BaseMapNode::updateAttribution(const QImage &image, const QRectF &bounds, QQuickWindow *window)
{
    if (image.isNull()) {
        if (m_attribution) {
            m_clip->removeChildNode(m_attribution);
            delete m_attribution;
            m_attribution = nullptr;
        }
        return;
    }
    if (!m_attributionTexture || m_attributionImageKey != image.cacheKey()) {
        QSGTexture *previous = m_attributionTexture;
        m_attributionTexture = window->createTextureFromImage(image);
        m_attributionImageKey = image.cacheKey();
        if (m_attribution)
            m_attribution->setTexture(m_attributionTexture);
        delete previous;
    }
    const QSizeF sz = image.deviceIndependentSize();
    const QRectF rect(bounds.right() - sz.width(), bounds.bottom() - sz.height(), sz.width(), sz.height());
    if (!m_attribution) {
        // textured before it joins the tree: the software renderer reads it at once
        m_attribution = new QSGSimpleTextureNode;
        m_attribution->setTexture(m_attributionTexture);
        m_attribution->setRect(rect);
        m_clip->appendChildNode(m_attribution);
    }
    m_attribution->setRect(rect);
}
