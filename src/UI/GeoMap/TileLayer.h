#pragma once

#include "TileSource.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QSGNode>
#include <vector>

class MapCamera;
class QQuickWindow;
class QSGSimpleTextureNode;
class QSGTexture;

// The raster tiles over the coastlines, as a frame shows them: chosen on the GUI thread while
// the map polishes, drawn by a TileNode. Where a tile of the view is not at hand yet, a coarser
// tile in memory stands in for it (a part of it, scaled), or the finer ones, so that a zoom to
// another tile level shows the old tiles until the new ones arrive instead of blanking them.
class TileLayer
{
public:
    struct Piece {
        TileSource::Key key;          // the tile drawn
        QImage image;
        QRectF rect;                  // where, item pixels (whole pixels: tiles meet without seams)
        QRectF source;                // the part of the image drawn, image pixels
    };

    void choose(TileSource &tiles, const MapCamera &camera);
    void clear() { m_pieces.clear(); }
    const QList<Piece> &pieces() const { return m_pieces; }
    bool isShowing() const { return !m_pieces.isEmpty(); }

    // The attribution box at the window's device pixel ratio, kept while the text and ratio
    // stay; null while no tile is shown.
    void updateAttribution(const QString &text, qreal dpr);
    const QImage &attribution() const { return m_attribution; }

private:
    bool standIn(TileSource &tiles, const TileSource::Key &key, const QRectF &rect);

    QList<Piece> m_pieces;
    QImage m_attribution;
};

// Draws a TileLayer's pieces; owns their textures, made once per tile image and kept while
// the tile is in view (and a while after), so a pan or a zoom uploads nothing it has shown.
class TileNode : public QSGNode
{
public:
    ~TileNode() override;
    void update(const QList<TileLayer::Piece> &pieces, QQuickWindow *window);

private:
    struct Texture {
        QSGTexture *texture = nullptr;
        qint64 imageKey = 0;
    };
    QHash<TileSource::Key, Texture> m_textures;
    std::vector<QSGSimpleTextureNode *> m_nodes;  // children, reused from frame to frame
};
