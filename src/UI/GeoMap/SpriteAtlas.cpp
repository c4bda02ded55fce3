#include "SpriteAtlas.h"

#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kAtlasWidth = 2048;

QString spriteKey(const MarkerData::Style &s)
{
    return QString::number(s.color.rgba(), 16) + QLatin1Char('/') + QString::number(std::lround(s.diameter * 10))
        + QLatin1Char('/') + s.label;
}

}  // namespace

void SpriteAtlas::reset(qreal dpr)
{
    m_dpr = dpr;
    m_image = QImage(kAtlasWidth, 256, QImage::Format_RGBA8888_Premultiplied);
    m_image.fill(Qt::transparent);
    m_sprites.clear();
    m_index.clear();
    m_shelf = QPoint(0, 0);
    m_shelfHeight = 0;
}

void SpriteAtlas::draw(const MarkerData::Style &style, const Look &look, const QRect &cell)
{
    const double d = std::lround(style.diameter * 10) / 10.0;
    const QSizeF size = QSizeF(cell.size()) / m_dpr;
    QPainter p(&m_image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(cell, Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.translate(cell.topLeft());
    p.scale(m_dpr, m_dpr);
    const QPointF c(size.width() / 2, size.height() / 2);
    const double r = d / 2;
    if (look.shadowRadius > 0) {
        // a blurred disc of black at 0.33, as wide as the blur
        const double blur = look.shadowRadius * 2;
        QRadialGradient g(c, r + blur);
        g.setColorAt(0, QColor(0, 0, 0, 84));
        g.setColorAt(std::max(0.0, (r - blur) / (r + blur)), QColor(0, 0, 0, 84));
        g.setColorAt(1, QColor(0, 0, 0, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(c, r + blur, r + blur);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(style.color);
    p.drawEllipse(c, r, r);
    if (!style.label.isEmpty()) {
        QFont font;
        if (!look.labelFamily.isEmpty())
            font.setFamily(look.labelFamily);
        font.setBold(true);
        font.setPixelSize(std::max(6, int(std::lround(d * look.labelScale))));
        p.setFont(font);
        p.setPen(QColor(0, 0, 0, 191));
        p.drawText(QRectF(c.x() - r, c.y() - r, d, d), Qt::AlignCenter, style.label);
    }
}

int SpriteAtlas::spriteFor(const MarkerData::Style &style, const Look &look)
{
    if (!(style.diameter > 0) || m_image.isNull())
        return -1;
    const QString key = spriteKey(style);
    if (const auto it = m_index.constFind(key); it != m_index.cend())
        return *it;
    const double margin = std::ceil(look.shadowRadius * 2) + 1;
    const int side = int(std::ceil((std::lround(style.diameter * 10) / 10.0 + 2 * margin) * m_dpr));
    if (m_shelf.x() + side > kAtlasWidth) {
        m_shelf = QPoint(0, m_shelf.y() + m_shelfHeight + 1);
        m_shelfHeight = 0;
    }
    if (m_shelf.y() + side > m_image.height()) {
        // grows downwards: cells already handed out keep their pixels
        int h = std::max(256, m_image.height());
        while (m_shelf.y() + side > h)
            h *= 2;
        QImage grown(kAtlasWidth, h, QImage::Format_RGBA8888_Premultiplied);
        grown.fill(Qt::transparent);
        QPainter gp(&grown);
        gp.setCompositionMode(QPainter::CompositionMode_Source);
        gp.drawImage(0, 0, m_image);
        gp.end();
        m_image = grown;
    }
    const QRect cell(m_shelf, QSize(side, side));
    draw(style, look, cell);
    m_shelf.rx() += side + 1;
    m_shelfHeight = std::max(m_shelfHeight, side);
    m_sprites.push_back({QRectF(cell), QSizeF(side / m_dpr, side / m_dpr)});
    m_index.insert(key, int(m_sprites.size() - 1));
    return int(m_sprites.size() - 1);
}
