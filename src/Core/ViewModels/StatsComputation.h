#pragma once

#include "Persistence/EarthquakeSnapshot.h"
#include "ViewModels/StatsRecords.h"

#include <QList>
#include <optional>
#include <vector>

// Every figure of the statistics screen from the stored events, newest first. One pass over
// the events gathers the counts, peaks, categories, depths and cells; a second pass over the
// few winning cells finds their names. Sums run in input order, so results equal a literal
// computation over the same list.
namespace StatsComputation {

using Row = EarthquakeSnapshot::Row;

struct Cutoffs {
    qint64 lastHour, last24h, last7d, last30d;  // ms UTC; an event at a cutoff counts
    static Cutoffs before(qint64 nowMs);
};

struct Figures {
    int countLastHour = 0;
    int countLast24h = 0;
    int countLast7d = 0;
    int countLast30d = 0;
    std::optional<size_t> peakLast24h;  // index of the row
    std::optional<size_t> peakLast7d;
    QList<MagnitudeStat> magnitudeStats;
    QList<ClusterStat> topClusters;
    std::optional<DepthStat> depthStat;
};

// What a computation keeps per row between its two passes. A caller that computes again and
// again keeps one and passes it each time: fresh pages for a million rows cost more than the
// computation itself on a busy machine.
struct Scratch {
    std::vector<qint32> cellOfRow;
    std::vector<quint32> placeOfRow;
};

// `placeName` gives the text of a row's place index. Without `scratch`, one of its own.
Figures compute(const std::vector<Row> &rows, const std::vector<QString> &placeNames, qint64 nowMs,
                Scratch *scratch = nullptr);

// The cell key of one coordinate: the nearest multiple of 0.5, halves away from zero.
double snap(double degrees);

// The shortest text that reads back as `value`, with ".0" when it would look like an integer.
QString shortestText(double value);

}  // namespace StatsComputation
