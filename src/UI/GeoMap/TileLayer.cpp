#include "TileLayer.h"

#include "MapCamera.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QQuickWindow>
#include <QSGSimpleTextureNode>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kMaxTileZoom = 19;
constexpr int kStandInLevels = 4;     // how much coarser a stand-in may be
constexpr int kKeptTextures = 128;    // textures kept beyond those in view
}

void TileLayer::choose(TileSource &tiles, const MapCamera &camera)
{
    m_pieces.clear();
    const QSizeF view = camera.viewport();
    if (view.isEmpty())
        return;
    const int z = std::clamp(int(std::lround(camera.zoom())), 0, kMaxTileZoom);
    const double n = std::exp2(z);
    const double s = camera.scale();
    const QPointF tl = camera.topLeft();
    const int x0 = std::max(0, int(std::floor(tl.x() * n)));
    const int y0 = std::max(0, int(std::floor(tl.y() * n)));
    const int x1 = std::min(int(n) - 1, int(std::floor((tl.x() + view.width() / s) * n)));
    const int y1 = std::min(int(n) - 1, int(std::floor((tl.y() + view.height() / s) * n)));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const TileSource::Key key{z, x, y};
            // whole-pixel edges: neighbouring tiles meet without seams
            const double left = std::round((x / n - tl.x()) * s), right = std::round(((x + 1) / n - tl.x()) * s);
            const double top = std::round((y / n - tl.y()) * s), bottom = std::round(((y + 1) / n - tl.y()) * s);
            const QRectF rect(left, top, right - left, bottom - top);
            const QImage img = tiles.tile(key);
            if (!img.isNull())
                m_pieces.append({key, img, rect, QRectF(QPointF(0, 0), img.size())});
            else
                standIn(tiles, key, rect);
        }
    }
}

bool TileLayer::standIn(TileSource &tiles, const TileSource::Key &key, const QRectF &rect)
{
    // a coarser tile: the part of it over this one
    for (int d = 1; d <= kStandInLevels && d <= key.z; ++d) {
        const TileSource::Key coarse{key.z - d, key.x >> d, key.y >> d};
        const QImage img = tiles.inMemory(coarse);
        if (img.isNull())
            continue;
        const double part = 1.0 / (1 << d);
        const double u = (key.x & ((1 << d) - 1)) * part, v = (key.y & ((1 << d) - 1)) * part;
        const QRectF source(u * img.width(), v * img.height(), part * img.width(), part * img.height());
        m_pieces.append({coarse, img, rect, source});
        return true;
    }
    // else the finer tiles that are at hand, each over its quarter
    bool any = false;
    for (int q = 0; q < 4; ++q) {
        const TileSource::Key fine{key.z + 1, key.x * 2 + (q & 1), key.y * 2 + (q >> 1)};
        const QImage img = tiles.inMemory(fine);
        if (img.isNull())
            continue;
        const double w = rect.width() / 2, h = rect.height() / 2;
        const QRectF quarter(rect.left() + (q & 1) * w, rect.top() + (q >> 1) * h, w, h);
        m_pieces.append({fine, img, quarter, QRectF(QPointF(0, 0), img.size())});
        any = true;
    }
    return any;
}

void TileLayer::updateAttribution(const QString &text, qreal dpr)
{
    if (!isShowing() || text.isEmpty()) {
        m_attribution = QImage();
        return;
    }
    if (!m_attribution.isNull() && m_attribution.text(QStringLiteral("text")) == text
        && m_attribution.devicePixelRatio() == dpr)
        return;
    QFont font;
    font.setPixelSize(11);
    const QFontMetricsF fm(font);
    const QSizeF size(std::ceil(fm.horizontalAdvance(text) + 10), std::ceil(fm.height() + 4));
    QImage img((size * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(QRectF(QPointF(0, 0), size), QColor(255, 255, 255, 190));
    p.setFont(font);
    p.setPen(QColor(40, 40, 40));
    p.drawText(QRectF(QPointF(0, 0), size), Qt::AlignCenter, text);
    p.end();
    img.setText(QStringLiteral("text"), text);
    m_attribution = img;
}

TileNode::~TileNode()
{
    for (const Texture &t : std::as_const(m_textures))
        delete t.texture;
}

void TileNode::update(const QList<TileLayer::Piece> &pieces, QQuickWindow *window)
{
    QSet<TileSource::Key> used;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const TileLayer::Piece &piece = pieces[i];
        Texture &t = m_textures[piece.key];
        if (!t.texture || t.imageKey != piece.image.cacheKey()) {
            delete t.texture;
            t.texture = window->createTextureFromImage(piece.image);
            t.texture->setFiltering(QSGTexture::Linear);
            t.imageKey = piece.image.cacheKey();
        }
        if (size_t(i) == m_nodes.size()) {
            auto *node = new QSGSimpleTextureNode;
            node->setFiltering(QSGTexture::Linear);
            node->setTexture(t.texture);  // textured before it joins the tree
            appendChildNode(node);
            m_nodes.push_back(node);
        }
        QSGSimpleTextureNode *node = m_nodes[size_t(i)];
        node->setTexture(t.texture);
        node->setRect(piece.rect);
        node->setSourceRect(piece.source);
        used.insert(piece.key);
    }
    while (m_nodes.size() > size_t(pieces.size())) {
        removeChildNode(m_nodes.back());
        delete m_nodes.back();
        m_nodes.pop_back();
    }
    // textures of tiles no longer shown are dropped, keeping memory bounded
    for (auto it = m_textures.begin(); it != m_textures.end();) {
        if (!used.contains(it.key()) && m_textures.size() > kKeptTextures) {
            delete it->texture;
            it = m_textures.erase(it);
        } else {
            ++it;
        }
    }
}
