#pragma once

#include "Map/MarkerData.h"

#include <QHash>
#include <QPointF>
#include <functional>
#include <vector>

// Where the shown markers of a set lie, bucketed in cells of world pixels at one scale, so that
// a tap finds the topmost marker under it without walking every marker. Rebuilt when it is
// asked at another scale, or after clear().
class MarkerHitGrid
{
public:
    // The markers changed.
    void clear() { m_scale = -1; }

    // The position in set.shown() of the topmost marker whose disc holds `at` (world pixels at
    // `scale`) and that `hittable` lets through; -1 when there is none.
    int topmostAt(const MarkerSet &set, double scale, const QPointF &at,
                  const std::function<bool(quint32 entry)> &hittable);

private:
    void rebuild(const MarkerSet &set, double scale);

    double m_scale = -1;
    QHash<qint64, std::vector<int>> m_cells;
};
