#include "StatsComputation.h"

#include "Models/TimeWindows.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <unordered_map>

namespace StatsComputation {

namespace {

constexpr qint64 kSecond = 1000;
constexpr int kTopClusters = 5;
constexpr size_t kDenseNameCounts = size_t(1) << 20;

// Keys within the globe's bounds live in a dense grid of half-degree steps; any other key (a
// store written by another program may hold anything) in a hash map.
constexpr int kLatSteps = 180;  // |latitude / 0.5| <= 180
constexpr int kLonSteps = 360;
constexpr int kGridWidth = 2 * kLonSteps + 1;

// std::round (halves away from zero), without a library call for the magnitudes of degrees.
inline double roundHalfAway(double x)
{
    if (!(std::fabs(x) < 4.0e15))  // large, infinite or NaN
        return std::round(x);
    const double whole = double(qint64(x));  // truncated; exact below 2^52
    const double rest = x - whole;
    const double rounded = rest >= 0.5 ? whole + 1 : rest <= -0.5 ? whole - 1 : whole;
    return rounded == 0 ? std::copysign(0.0, x) : rounded;  // round(-0.2) is -0.0
}

struct Cell {
    double lat;  // the key: the snapped coordinates of the cell's first (newest) event
    double lon;
    size_t firstRow;
    int count = 0;
    double magnitudeSum = 0;
};

struct KeyHash {
    size_t operator()(const std::pair<double, double> &key) const
    {
        return std::hash<double>{}(key.first) * 31 + std::hash<double>{}(key.second);
    }
};

class CellTable {
public:
    CellTable() : m_grid(size_t(2 * kLatSteps + 1) * kGridWidth, -1) {}

    // The cell of a coordinate, made when first met. A NaN key equals nothing, not even
    // itself, so each such event is a cell of its own.
    qint32 cellOf(double latitude, double longitude, size_t row)
    {
        const double latSteps = roundHalfAway(latitude / 0.5);
        const double lonSteps = roundHalfAway(longitude / 0.5);
        if (std::isnan(latSteps) || std::isnan(lonSteps))
            return add(latSteps * 0.5, lonSteps * 0.5, row);
        qint32 *slot;
        if (std::fabs(latSteps) <= kLatSteps && std::fabs(lonSteps) <= kLonSteps) {
            slot = &m_grid[size_t(int(latSteps) + kLatSteps) * kGridWidth + size_t(int(lonSteps) + kLonSteps)];
        } else {
            // Adding 0.0 makes -0.0 into 0.0: keys are compared by value.
            const auto found = m_other.try_emplace({latSteps * 0.5 + 0.0, lonSteps * 0.5 + 0.0}, -1).first;
            slot = &found->second;
        }
        if (*slot < 0)
            *slot = add(latSteps * 0.5, lonSteps * 0.5, row);
        return *slot;
    }

    std::vector<Cell> &cells() { return m_cells; }

private:
    qint32 add(double lat, double lon, size_t row)
    {
        m_cells.push_back(Cell{lat, lon, row});
        return qint32(m_cells.size() - 1);
    }

    std::vector<qint32> m_grid;
    std::unordered_map<std::pair<double, double>, qint32, KeyHash> m_other;
    std::vector<Cell> m_cells;
};

// Ascending, NaN after every number, so that the order is total.
bool keyLess(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return !std::isnan(a) && std::isnan(b);
    return a < b;
}

// Most events first; equal counts by ascending latitude, then longitude, then first event.
bool rankedBefore(const Cell &a, const Cell &b)
{
    if (a.count != b.count)
        return a.count > b.count;
    if (keyLess(a.lat, b.lat) || keyLess(b.lat, a.lat))
        return keyLess(a.lat, b.lat);
    if (keyLess(a.lon, b.lon) || keyLess(b.lon, a.lon))
        return keyLess(a.lon, b.lon);
    return a.firstRow < b.firstRow;
}

// The most frequent place; equal counts by the smallest name.
QString commonestName(const std::unordered_map<quint32, int> &counts, const std::vector<QString> &names)
{
    static const QString none;
    const auto name = [&names](quint32 place) -> const QString & { return place < names.size() ? names[place] : none; };
    const QString *best = nullptr;
    int bestCount = 0;
    for (const auto &[place, count] : counts) {
        const QString &candidate = name(place);
        if (!best || count > bestCount || (count == bestCount && QString::compare(candidate, *best) < 0)) {
            best = &candidate;
            bestCount = count;
        }
    }
    return best ? *best : QString();
}

}  // namespace

Cutoffs Cutoffs::before(qint64 nowMs)
{
    return {nowMs - TimeWindows::hour * kSecond, nowMs - TimeWindows::day * kSecond, nowMs - TimeWindows::week * kSecond,
            nowMs - TimeWindows::month * kSecond};
}

double snap(double degrees)
{
    // Halves away from zero (rint and nearbyint would take 28.25 to 28.0).
    return roundHalfAway(degrees / 0.5) * 0.5;
}

QString shortestText(double value)
{
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    QString text = QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
    const bool integral = std::all_of(buffer.data(), result.ptr, [](char c) { return (c >= '0' && c <= '9') || c == '-'; });
    if (integral)
        text += QStringLiteral(".0");
    return text;
}

Figures compute(const std::vector<Row> &rows, const std::vector<QString> &placeNames, qint64 nowMs)
{
    Figures f;
    const Cutoffs cut = Cutoffs::before(nowMs);
    std::array<int, 5> categoryCounts{};
    double peak24 = 0;
    double peak7 = 0;
    double depthSum = 0;
    int shallow = 0;
    int intermediate = 0;
    int deep = 0;
    CellTable table;
    // The second pass reads these rather than the rows, which are seven times wider.
    std::vector<qint32> cellOfRow(rows.size());
    std::vector<quint32> placeOfRow(rows.size());

    for (size_t i = 0; i < rows.size(); ++i) {
        const Row &row = rows[i];
        // The periods nest, so one chain of comparisons counts all four. No upper bound: a
        // future event counts in every period.
        if (row.dateMs >= cut.last30d) {
            ++f.countLast30d;
            if (row.dateMs >= cut.last7d) {
                ++f.countLast7d;
                // Only a strictly greater magnitude replaces: equal maxima keep the newest.
                if (!f.peakLast7d || row.magnitude > peak7) {
                    f.peakLast7d = i;
                    peak7 = row.magnitude;
                }
                if (row.dateMs >= cut.last24h) {
                    ++f.countLast24h;
                    if (!f.peakLast24h || row.magnitude > peak24) {
                        f.peakLast24h = i;
                        peak24 = row.magnitude;
                    }
                    if (row.dateMs >= cut.lastHour)
                        ++f.countLastHour;
                }
            }
        }
        ++categoryCounts[size_t(MagnitudeCategory::from(row.magnitude).value())];

        depthSum += row.depth;
        if (row.depth < 30)
            ++shallow;
        else if (row.depth >= 30 && row.depth <= 70)
            ++intermediate;
        else if (row.depth > 70)
            ++deep;

        const qint32 c = table.cellOf(row.latitude, row.longitude, i);
        cellOfRow[i] = c;
        placeOfRow[i] = row.place;
        Cell &cell = table.cells()[size_t(c)];
        ++cell.count;
        cell.magnitudeSum += row.magnitude;
    }
    if (rows.empty())
        return f;

    const int largest = std::max(1, *std::max_element(categoryCounts.begin(), categoryCounts.end()));
    for (const MagnitudeCategory category : MagnitudeCategory::allCases()) {
        const int count = categoryCounts[size_t(category.value())];
        f.magnitudeStats.append(MagnitudeStat(category, count, largest > 0 ? double(count) / double(largest) : 0.0));
    }

    std::vector<Cell> &cells = table.cells();
    std::vector<qint32> ranked(cells.size());
    for (size_t i = 0; i < ranked.size(); ++i)
        ranked[i] = qint32(i);
    const size_t kept = std::min<size_t>(kTopClusters, ranked.size());
    std::partial_sort(ranked.begin(), ranked.begin() + qsizetype(kept), ranked.end(),
                      [&cells](qint32 a, qint32 b) { return rankedBefore(cells[size_t(a)], cells[size_t(b)]); });
    ranked.resize(kept);

    // Place names are counted for the kept cells only: in one table of counts per cell and
    // place when that is small, else in a map per cell.
    std::vector<qint8> rank(cells.size(), -1);
    for (size_t r = 0; r < kept; ++r)
        rank[size_t(ranked[r])] = qint8(r);
    std::vector<std::unordered_map<quint32, int>> nameCounts(kept);
    const size_t places = placeNames.size();
    if (places * kept <= kDenseNameCounts) {
        std::vector<int> dense(places * kept);
        for (size_t i = 0; i < rows.size(); ++i) {
            if (const qint8 r = rank[size_t(cellOfRow[i])]; r >= 0 && placeOfRow[i] < places)
                ++dense[size_t(r) * places + placeOfRow[i]];
        }
        for (size_t r = 0; r < kept; ++r) {
            for (size_t p = 0; p < places; ++p) {
                if (const int n = dense[r * places + p])
                    nameCounts[r].emplace(quint32(p), n);
            }
        }
    } else {
        for (size_t i = 0; i < rows.size(); ++i) {
            if (const qint8 r = rank[size_t(cellOfRow[i])]; r >= 0)
                ++nameCounts[size_t(r)][placeOfRow[i]];
        }
    }
    for (size_t r = 0; r < kept; ++r) {
        const Cell &cell = cells[size_t(ranked[r])];
        f.topClusters.append(ClusterStat(shortestText(cell.lat) + QLatin1Char(',') + shortestText(cell.lon),
                                         commonestName(nameCounts[r], placeNames), cell.count,
                                         cell.magnitudeSum / double(cell.count), cell.lat, cell.lon));
    }

    f.depthStat = DepthStat(depthSum / double(rows.size()), shallow, intermediate, deep, int(rows.size()));
    return f;
}

}  // namespace StatsComputation
