#pragma once

#include "CoastNode.h"
#include "TileLayer.h"

#include <QColor>
#include <QImage>
#include <QSGNode>

class QQuickWindow;
class QSGClipNode;
class QSGSimpleRectNode;
class QSGSimpleTextureNode;
class QSGTexture;
class SoftwareCoastNode;

// The base map's scene, clipped to the map: the sea, the coastlines (CoastNode, or painted
// under the software renderer), the tiles over them and their attribution at the bottom right.
// Owns the textures it draws.
class BaseMapNode : public QSGNode
{
public:
    struct Frame {
        QRectF bounds;                // the map item's
        QPointF topLeft;              // world units at the top-left corner
        double scale = 1;             // pixels per world unit
        double zoom = 0;
        QColor sea;
        CoastNode::Look coast;
        const TileLayer *tiles = nullptr;
    };

    BaseMapNode();
    ~BaseMapNode() override;
    void update(const Frame &frame, QQuickWindow *window);

private:
    void updateAttribution(const QImage &image, const QRectF &bounds, QQuickWindow *window);

    QSGClipNode *m_clip;
    QSGSimpleRectNode *m_sea;
    CoastNode *m_coast;
    SoftwareCoastNode *m_softCoast = nullptr;
    TileNode *m_tiles;
    QSGSimpleTextureNode *m_attribution = nullptr;
    QSGTexture *m_attributionTexture = nullptr;
    qint64 m_attributionImageKey = 0;
};
