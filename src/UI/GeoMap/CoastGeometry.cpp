#include "CoastGeometry.h"

#include <QHash>
#include <QMutex>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <unordered_map>

namespace CoastGeometry {

namespace {

constexpr double kChunkPixels = 1024;  // a chunk's side at its level's zoom

qint64 cellKey(int cx, int cy) { return (qint64(cx) << 32) ^ quint32(cy); }

struct Extent {
    double x0 = std::numeric_limits<double>::max(), y0 = x0;
    double x1 = -std::numeric_limits<double>::max(), y1 = x1;
    void add(const QPointF &p)
    {
        x0 = std::min(x0, p.x());
        y0 = std::min(y0, p.y());
        x1 = std::max(x1, p.x());
        y1 = std::max(y1, p.y());
    }
    QRectF rect() const { return x0 <= x1 ? QRectF(QPointF(x0, y0), QPointF(x1, y1)) : QRectF(); }
};

std::vector<Chunk> cut(const CoastlineData::Level &level)
{
    const double cell = kChunkPixels / unitScale(level);
    std::vector<Chunk> chunks;
    std::vector<Extent> extents;
    std::vector<std::unordered_map<quint32, quint32>> localIndex;  // level vertex -> chunk vertex
    std::unordered_map<qint64, size_t> byCell;
    auto chunkAt = [&](const QPointF &w) -> size_t {
        const int cx = int(std::floor(w.x() / cell)), cy = int(std::floor(w.y() / cell));
        const auto [it, added] = byCell.try_emplace(cellKey(cx, cy), chunks.size());
        if (added) {
            Chunk c;
            c.origin = QPointF(cx * cell, cy * cell);
            chunks.push_back(std::move(c));
            extents.emplace_back();
            localIndex.emplace_back();
        }
        return it->second;
    };

    // Land: each triangle goes to the chunk of its centroid.
    const auto &vertices = level.fillVertices;
    const auto &indices = level.fillIndices;
    for (qsizetype t = 0; t + 2 < indices.size(); t += 3) {
        const QPointF centroid = (vertices[indices[t]] + vertices[indices[t + 1]] + vertices[indices[t + 2]]) / 3;
        const size_t c = chunkAt(centroid);
        Chunk &chunk = chunks[c];
        for (int k = 0; k < 3; ++k) {
            const quint32 v = indices[t + k];
            const auto [it, added] = localIndex[c].try_emplace(v, quint32(chunk.fill.size()));
            if (added) {
                chunk.fill.push_back(vertices[v]);
                extents[c].add(vertices[v]);
            }
            chunk.fillIndices.push_back(it->second);
        }
    }

    // Shores: runs of segments whose midpoints lie in one chunk.
    for (const CoastlineData::Line &line : level.lines) {
        const auto &pts = line.points;
        const qsizetype n = pts.size();
        if (n < 2)
            continue;
        const qsizetype segments = line.closed ? n : n - 1;
        auto chunkOfSegment = [&](qsizetype k) { return chunkAt((pts[k % n] + pts[(k + 1) % n]) / 2); };
        qsizetype start = 0;
        if (line.closed) {
            // start at a change of chunk, so that no run wraps around the start
            const size_t first = chunkOfSegment(0);
            start = -1;
            for (qsizetype k = 1; k < segments && start < 0; ++k) {
                if (chunkOfSegment(k) != first)
                    start = k;
            }
            if (start < 0) {
                chunks[first].lines.push_back({std::vector<QPointF>(pts.cbegin(), pts.cend()), true, {}, {}});
                for (const QPointF &p : pts)
                    extents[first].add(p);
                continue;
            }
        }
        qsizetype j = 0;
        while (j < segments) {
            const qsizetype a = (start + j) % n;
            const size_t c = chunkOfSegment(a);
            qsizetype run = 1;
            while (j + run < segments && chunkOfSegment((start + j + run) % n) == c)
                ++run;
            Line piece;
            piece.points.reserve(size_t(run + 1));
            for (qsizetype t = 0; t <= run; ++t) {
                piece.points.push_back(pts[(a + t) % n]);
                extents[c].add(piece.points.back());
            }
            const qsizetype end = a + run;  // index of the piece's last point, before wrapping
            if (line.closed || a > 0)
                piece.before = pts[(a - 1 + n) % n];
            if (line.closed || end + 1 < n)
                piece.after = pts[(end + 1) % n];
            chunks[c].lines.push_back(std::move(piece));
            j += run;
        }
    }

    for (size_t c = 0; c < chunks.size(); ++c)
        chunks[c].bounds = extents[c].rect();
    return chunks;
}

// Shorelines as anti-aliased strips: a solid core and a one-pixel feather fading to
// transparent on each side, mitred at the joints, so the land's aliased edge is covered.
struct Poly {
    std::vector<QPointF> pts;   // pixels from the chunk's origin
    bool closed = false;
    // mitres of ends that join another chunk's piece, from the shore's own points
    std::optional<QPointF> before, after, second, secondLast;
};

QPointF normal(QPointF a, QPointF b)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double len = std::hypot(dx, dy);
    return len > 0 ? QPointF(-dy / len, dx / len) : QPointF(0, 0);
}

}  // namespace

double unitScale(const CoastlineData::Level &level) { return 256.0 * std::exp2(level.zoom); }

const std::vector<Chunk> &chunksOf(const CoastlineData &data, int level)
{
    // Cut once per level and data, from whichever thread renders first.
    static QMutex mutex;
    static QHash<const CoastlineData::Level *, std::shared_ptr<const std::vector<Chunk>>> cache;
    const CoastlineData::Level *key = &data.levels()[level];
    QMutexLocker lock(&mutex);
    auto &chunks = cache[key];
    if (!chunks)
        chunks = std::make_shared<const std::vector<Chunk>>(cut(*key));
    return *chunks;
}

QSGGeometry *buildFill(const Chunk &chunk, double unitScale)
{
    auto *g = new QSGGeometry(QSGGeometry::defaultAttributes_Point2D(), int(chunk.fill.size()),
                              int(chunk.fillIndices.size()), QSGGeometry::UnsignedIntType);
    g->setDrawingMode(QSGGeometry::DrawTriangles);
    auto *v = g->vertexDataAsPoint2D();
    for (const QPointF &p : chunk.fill)
        (v++)->set(float((p.x() - chunk.origin.x()) * unitScale), float((p.y() - chunk.origin.y()) * unitScale));
    std::copy(chunk.fillIndices.cbegin(), chunk.fillIndices.cend(), g->indexDataAsUInt());
    return g;
}

QSGGeometry *buildStroke(const Chunk &chunk, double unitScale, double scale, double width, const QColor &color)
{
    auto px = [&](const QPointF &w) { return (w - chunk.origin) * scale; };
    std::vector<Poly> polys;
    size_t vertexCount = 0, indexCount = 0;
    for (const Line &line : chunk.lines) {
        Poly poly;
        poly.closed = line.closed;
        poly.pts.reserve(line.points.size());
        const size_t count = line.points.size();
        for (size_t i = 0; i < count; ++i) {
            const QPointF p = px(line.points[i]);
            if (!poly.pts.empty() && std::hypot(p.x() - poly.pts.back().x(), p.y() - poly.pts.back().y()) < 0.25) {
                // an open piece keeps its ends where they are: they meet the next chunk's
                if (!poly.closed && i + 1 == count) {
                    if (poly.pts.size() > 1)
                        poly.pts.back() = p;
                    else
                        poly.pts.push_back(p);
                }
                continue;
            }
            poly.pts.push_back(p);
        }
        if (poly.closed && poly.pts.size() > 1
            && std::hypot(poly.pts.front().x() - poly.pts.back().x(), poly.pts.front().y() - poly.pts.back().y()) < 0.25)
            poly.pts.pop_back();
        if (poly.pts.size() < 2)
            continue;
        if (line.before) {
            poly.before = px(*line.before);
            poly.second = px(line.points[1]);
        }
        if (line.after) {
            poly.after = px(*line.after);
            poly.secondLast = px(line.points[count - 2]);
        }
        const size_t segments = poly.closed ? poly.pts.size() : poly.pts.size() - 1;
        vertexCount += poly.pts.size() * 4;
        indexCount += segments * 18;
        polys.push_back(std::move(poly));
    }
    auto *g = new QSGGeometry(QSGGeometry::defaultAttributes_ColoredPoint2D(), int(vertexCount),
                              int(indexCount), QSGGeometry::UnsignedIntType);
    g->setDrawingMode(QSGGeometry::DrawTriangles);
    auto *v = g->vertexDataAsColoredPoint2D();
    quint32 *idx = g->indexDataAsUInt();
    const double inner = std::max(0.0, width / 2 - 0.5);
    const double outer = width / 2 + 0.5;
    // Premultiplied, as the vertex colour material expects; a core thinner than a pixel is
    // drawn lighter rather than thinner.
    const double coreAlpha = color.alphaF() * std::min(1.0, width);
    const uchar r = uchar(color.red() * coreAlpha), gr = uchar(color.green() * coreAlpha),
                b = uchar(color.blue() * coreAlpha), a = uchar(255 * coreAlpha);
    const double units = unitScale / scale;  // pixels to units
    quint32 base = 0;
    for (const Poly &poly : polys) {
        const auto &pts = poly.pts;
        const size_t n = pts.size();
        for (size_t i = 0; i < n; ++i) {
            QPointF n0, n1;
            bool hasPrev = poly.closed || i > 0;
            bool hasNext = poly.closed || i + 1 < n;
            if (hasPrev)
                n0 = normal(pts[(i + n - 1) % n], pts[i]);
            if (hasNext)
                n1 = normal(pts[i], pts[(i + 1) % n]);
            if (i == 0 && poly.before) {
                n0 = normal(*poly.before, pts[0]);
                n1 = normal(pts[0], *poly.second);
                hasPrev = hasNext = true;
            }
            if (i + 1 == n && poly.after) {
                n0 = normal(*poly.secondLast, pts[i]);
                n1 = normal(pts[i], *poly.after);
                hasPrev = hasNext = true;
            }
            if (!hasPrev)
                n0 = n1;
            if (!hasNext)
                n1 = n0;
            QPointF m = n0 + n1;
            double ml = std::hypot(m.x(), m.y());
            if (ml < 1e-6) {
                m = n1;
                ml = 1;
            }
            m /= ml;
            const double cosHalf = m.x() * n1.x() + m.y() * n1.y();
            const double miter = std::min(3.0, 1.0 / std::max(0.2, cosHalf));
            const QPointF p = pts[i];
            const QPointF dOuter = m * (outer * miter), dInner = m * (inner * miter);
            auto at = [units](QPointF q) { return q * units; };
            const QPointF o0 = at(p + dOuter), i0 = at(p + dInner), i1 = at(p - dInner), o1 = at(p - dOuter);
            v[0].set(float(o0.x()), float(o0.y()), 0, 0, 0, 0);
            v[1].set(float(i0.x()), float(i0.y()), r, gr, b, a);
            v[2].set(float(i1.x()), float(i1.y()), r, gr, b, a);
            v[3].set(float(o1.x()), float(o1.y()), 0, 0, 0, 0);
            v += 4;
        }
        const size_t segments = poly.closed ? n : n - 1;
        for (size_t i = 0; i < segments; ++i) {
            const quint32 a0 = base + quint32(i * 4), b0 = base + quint32(((i + 1) % n) * 4);
            for (quint32 band = 0; band < 3; ++band) {
                *idx++ = a0 + band; *idx++ = a0 + band + 1; *idx++ = b0 + band;
                *idx++ = b0 + band; *idx++ = a0 + band + 1; *idx++ = b0 + band + 1;
            }
        }
        base += quint32(n * 4);
    }
    return g;
}

}  // namespace CoastGeometry
