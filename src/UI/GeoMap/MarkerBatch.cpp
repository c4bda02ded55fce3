#include "MarkerBatch.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace MarkerBatch {

namespace {
// The canvas's tiles, device pixels a side: small enough that the sea between the islands
// uploads and draws nothing, large enough to stay few.
constexpr int kTileSide = 256;
}

Output build(const Input &in)
{
    Output out;
    if (!in.set.data() || !in.set.shown())
        return out;
    const MarkerData &data = *in.set.data();
    const std::vector<quint32> &order = *in.set.shown();
    const double s = in.scale;
    const QPointF tl = in.origin;
    const double md = data.maxDiameter();
    const QRectF keep(-md, -md, in.canvas.width() + 2 * md, in.canvas.height() + 2 * md);
    std::vector<int> shown;
    shown.reserve(order.size());
    for (size_t k = 0; k < order.size(); ++k) {
        const quint32 e = order[k];
        if (e >= data.size() || !data.isDrawable(e))
            continue;
        const int style = data.styleOf(e);
        if (style >= int(in.spriteOfStyle.size()) || in.spriteOfStyle[style] < 0)
            continue;
        const QPointF p = (data.world(e) - tl) * s;
        if (keep.contains(p))
            shown.push_back(int(k));
    }
    shown = dropStacked(in, shown, keep);
    shown = dropHidden(in, shown, keep);
    out.drawn = int(shown.size());
    out.placed.reserve(shown.size());
    for (int k : shown) {
        const quint32 e = order[k];
        const int sprite = in.spriteOfStyle[data.styleOf(e)];
        const QSizeF &size = in.sprites[sprite].size;
        const QPointF p = (data.world(e) - tl) * s;
        // whole pixels: the pre-rendered sprite is copied, not resampled
        out.placed.push_back({QPointF(std::round(p.x() - size.width() / 2), std::round(p.y() - size.height() / 2)), sprite});
    }
    out.tiles = paint(in, out.placed);
    return out;
}

std::vector<Tile> paint(const Input &in, const std::vector<Placed> &placed)
{
    if (placed.empty() || in.atlas.isNull())
        return {};
    const QSize size = (in.canvas * in.dpr).toSize();
    const int columns = (size.width() + kTileSide - 1) / kTileSide, rows = (size.height() + kTileSide - 1) / kTileSide;
    if (columns <= 0 || rows <= 0)
        return {};
    // The format textures are uploaded in, so that showing it converts nothing.
    QImage canvas(size, QImage::Format_RGBA8888_Premultiplied);
    canvas.fill(Qt::transparent);
    std::vector<bool> touched(size_t(columns) * rows, false);
    QPainter p(&canvas);
    for (const Placed &m : placed) {
        const QRectF &uv = in.sprites[m.sprite].uv;
        const QPointF at = m.topLeft * in.dpr;
        p.drawImage(at, in.atlas, uv);
        const int c0 = std::max(0, int(at.x()) / kTileSide), c1 = std::min(columns - 1, int(at.x() + uv.width()) / kTileSide);
        const int r0 = std::max(0, int(at.y()) / kTileSide), r1 = std::min(rows - 1, int(at.y() + uv.height()) / kTileSide);
        for (int r = r0; r <= r1; ++r) {
            for (int c = c0; c <= c1; ++c)
                touched[size_t(r) * columns + c] = true;
        }
    }
    p.end();
    std::vector<Tile> tiles;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (!touched[size_t(r) * columns + c])
                continue;
            const QRect rect = QRect(c * kTileSide, r * kTileSide, kTileSide, kTileSide) & canvas.rect();
            tiles.push_back({rect, canvas.copy(rect)});
        }
    }
    return tiles;
}

// A linear first pass for dense sets: of opaque markers centred on the same pixel only the
// topmost can show when none below it is larger, so each pixel keeps the largest diameter
// drawn there from the top down and a marker no larger than that goes (its shadow would only
// deepen the shadow ring around the one on top). What is left is usually a fraction of a
// million-marker set, for the finer pass below.
std::vector<int> dropStacked(const Input &in, const std::vector<int> &shown, const QRectF &area)
{
    const int cols = int(std::ceil(area.width())) + 1, rows = int(std::ceil(area.height())) + 1;
    if (shown.size() < 4096 || qint64(cols) * rows > 64 * 1024 * 1024)
        return shown;
    const MarkerData &data = *in.set.data();
    const std::vector<quint32> &order = *in.set.shown();
    std::vector<quint8> top(size_t(cols) * rows, 0);  // largest opaque diameter on top, whole pixels
    std::vector<int> kept;
    kept.reserve(shown.size() / 2);
    for (auto it = shown.crbegin(); it != shown.crend(); ++it) {
        const quint32 e = order[*it];
        const MarkerData::Style &m = data.styles()[data.styleOf(e)];
        const QPointF p = (data.world(e) - in.origin) * in.scale - area.topLeft();
        const int x = int(std::round(p.x())), y = int(std::round(p.y()));
        const int diameter = int(std::min(255.0, std::floor(m.diameter)));
        if (x < 0 || y < 0 || x >= cols || y >= rows) {
            kept.push_back(*it);
            continue;
        }
        quint8 &cell = top[size_t(y) * cols + x];
        if (cell > 0 && cell >= diameter)
            continue;  // the same sprite place, under a marker at least as large
        kept.push_back(*it);
        if (m.color.alpha() == 255 && diameter > cell)
            cell = quint8(diameter);
    }
    std::reverse(kept.begin(), kept.end());
    return kept;
}

// Markers buried under the markers drawn above them add nothing to the picture but fill cost
// (a dense swarm is mostly buried markers), so they are left out of the batch. Each cell of a
// coverage grid keeps how much of what lies below still shows through (the product of
// (1 - alpha) of the markers kept above it, with each marker's alpha taken at its lowest over
// the cell). A marker goes only when, at every cell its sprite reaches, less than half a
// colour step of it could show. A pan does not change what is buried, so this runs only when
// the batch is rebuilt.
std::vector<int> dropHidden(const Input &in, const std::vector<int> &shown, const QRectF &area)
{
    constexpr int cell = 2;
    constexpr float invisible = 0.5f / 255.0f;
    const int cols = int(std::ceil(area.width() / cell)) + 1, rows = int(std::ceil(area.height() / cell)) + 1;
    if (shown.size() < 64 || qint64(cols) * rows > 16 * 1024 * 1024)
        return shown;
    const MarkerData &data = *in.set.data();
    const std::vector<quint32> &order = *in.set.shown();
    std::vector<float> through(size_t(cols) * rows, 1.0f);
    std::vector<int> kept;
    kept.reserve(shown.size());
    const double blur = in.shadowRadius * 2;
    for (auto it = shown.crbegin(); it != shown.crend(); ++it) {
        const quint32 e = order[*it];
        const int style = data.styleOf(e);
        const Sprite &sp = in.sprites[in.spriteOfStyle[style]];
        const MarkerData::Style &m = data.styles()[style];
        const QPointF p = (data.world(e) - in.origin) * in.scale - area.topLeft();
        const double cx = std::round(p.x()), cy = std::round(p.y());
        // what the sprite paints: its disc plus shadow (its cell has a transparent margin)
        const double reach = std::min(sp.size.width() / 2, m.diameter / 2 + blur);
        const double reach2 = reach * reach;
        const int c0 = std::max(0, int((cx - reach) / cell)), c1 = std::min(cols - 1, int((cx + reach) / cell));
        const int r0 = std::max(0, int((cy - reach) / cell)), r1 = std::min(rows - 1, int((cy + reach) / cell));
        bool hidden = c0 <= c1 && r0 <= r1;
        for (int r = r0; r <= r1 && hidden; ++r) {
            const double y0 = r * cell - cy, y1 = y0 + cell;
            const double dy = y0 > 0 ? y0 : (y1 < 0 ? -y1 : 0.0);
            for (int c = c0; c <= c1; ++c) {
                const double x0 = c * cell - cx, x1 = x0 + cell;
                const double dx = x0 > 0 ? x0 : (x1 < 0 ? -x1 : 0.0);
                if (dx * dx + dy * dy >= reach2)
                    continue;  // outside the round sprite: transparent there
                if (through[size_t(r) * cols + c] > invisible) {
                    hidden = false;
                    break;
                }
            }
        }
        if (hidden)
            continue;
        kept.push_back(*it);
        // the least alpha of this marker over each cell it reaches
        const double radius = m.diameter / 2;
        const double discAlpha = m.color.alphaF();
        for (int r = r0; r <= r1; ++r) {
            const double y0 = r * cell - cy, y1 = y0 + cell;
            const double yy = std::max(y0 * y0, y1 * y1);
            for (int c = c0; c <= c1; ++c) {
                const double x0 = c * cell - cx, x1 = x0 + cell;
                const double far = std::sqrt(std::max(x0 * x0, x1 * x1) + yy);
                double alpha = 0;
                if (far <= radius - 1)
                    alpha = discAlpha;
                if (blur > 0 && far < radius + blur) {
                    const double shadow = 0.33 * std::clamp((radius + blur - far) / (2 * blur), 0.0, 1.0);
                    alpha = std::max(alpha, shadow);
                }
                if (alpha > 0)
                    through[size_t(r) * cols + c] *= float(1.0 - alpha);
            }
        }
    }
    std::reverse(kept.begin(), kept.end());
    return kept;
}

}  // namespace MarkerBatch
