#pragma once

#include "Map/MarkerData.h"
#include "MarkerBatch.h"

#include <QHash>
#include <QImage>
#include <QPoint>
#include <QString>
#include <vector>

// The markers' sprites, one per style (a disc of its colour and diameter, its label inside and
// a soft shadow), pre-rendered at the window's device pixel ratio into one image that batches
// copy from. Sprites already handed out keep their place while new ones are added.
class SpriteAtlas
{
public:
    struct Look {
        double shadowRadius = 1.0;        // pixels
        double labelScale = 9.0 / 28.0;   // label font size as a fraction of the diameter
        QString labelFamily;              // empty: the application's font
    };

    // Drops every sprite: the look or the device pixel ratio changed.
    void reset(qreal dpr);
    bool isNull() const { return m_image.isNull(); }
    qreal dpr() const { return m_dpr; }

    // The index of the style's sprite, drawing it when it is new; -1 for a style with nothing to draw.
    int spriteFor(const MarkerData::Style &style, const Look &look);
    const std::vector<MarkerBatch::Sprite> &sprites() const { return m_sprites; }
    const QImage &image() const { return m_image; }

private:
    void draw(const MarkerData::Style &style, const Look &look, const QRect &cell);

    QImage m_image;
    qreal m_dpr = 0;
    std::vector<MarkerBatch::Sprite> m_sprites;
    QHash<QString, int> m_index;
    QPoint m_shelf;                 // next free place
    int m_shelfHeight = 0;
};
