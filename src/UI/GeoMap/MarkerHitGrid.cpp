#include "MarkerHitGrid.h"

#include <cmath>

namespace {

constexpr double kGridCell = 64.0;

qint64 cellKey(int cx, int cy) { return (qint64(cx) << 32) ^ quint32(cy); }

}  // namespace

void MarkerHitGrid::rebuild(const MarkerSet &set, double scale)
{
    m_scale = scale;
    m_cells.clear();
    const MarkerData &data = *set.data();
    const std::vector<quint32> &shown = *set.shown();
    for (size_t k = 0; k < shown.size(); ++k) {
        if (shown[k] >= data.size() || !data.isDrawable(shown[k]))
            continue;
        const QPointF p = data.world(shown[k]) * scale;
        m_cells[cellKey(int(std::floor(p.x() / kGridCell)), int(std::floor(p.y() / kGridCell)))].push_back(int(k));
    }
}

int MarkerHitGrid::topmostAt(const MarkerSet &set, double scale, const QPointF &at,
                             const std::function<bool(quint32 entry)> &hittable)
{
    if (!set.data() || set.isEmpty())
        return -1;
    if (m_scale != scale)
        rebuild(set, scale);
    const MarkerData &data = *set.data();
    const std::vector<quint32> &shown = *set.shown();
    const int reach = int(std::ceil(data.maxDiameter() / 2 / kGridCell));
    const int cx = int(std::floor(at.x() / kGridCell)), cy = int(std::floor(at.y() / kGridCell));
    int best = -1;
    for (int dx = -reach; dx <= reach; ++dx) {
        for (int dy = -reach; dy <= reach; ++dy) {
            const auto it = m_cells.constFind(cellKey(cx + dx, cy + dy));
            if (it == m_cells.cend())
                continue;
            for (int k : *it) {
                if (k <= best)
                    continue;
                const quint32 e = shown[k];
                const QPointF p = data.world(e) * scale;
                const double d = data.styles()[data.styleOf(e)].diameter;
                if (std::hypot(p.x() - at.x(), p.y() - at.y()) <= d / 2 && hittable(e))
                    best = k;
            }
        }
    }
    return best;
}
