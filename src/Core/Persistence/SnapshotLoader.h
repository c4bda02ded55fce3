#pragma once

#include "Persistence/EarthquakeSnapshot.h"
#include "Platform/Error.h"

#include <utility>
#include <vector>

struct sqlite3;
class QSqlDatabase;

// Reads the snapshot's rows through SQLite's C interface: seven columns per row, in row id
// order, on several read-only connections at once, then sorted in memory. A fetch of whole
// records takes seconds for a million events; this takes a fraction of one.
//
// Values are converted exactly as the Qt driver hands them to ModelContext::fetch (a text in
// a number column reads as QVariant's conversion of that text, NULL reads as 0), so the rows
// equal what a fetch reads.
namespace SnapshotLoader {

using Row = EarthquakeSnapshot::Row;

// Rows with place indices into `places`, which holds each distinct name once.
struct Batch {
    std::vector<Row> rows;
    std::vector<QString> places;
    // A date that is not an integer, an eventID that is not text or a store that does not keep
    // its text as UTF-8: SQLite orders such rows by rules of its own, so only it can sort them.
    bool needsSqlOrder = false;
};

// Every stored row, newest first, equal dates by eventID descending. `filePath` empty: the
// store lives in memory and is read through `main` alone. A store of fewer than
// 2 x `minRowsPerThread` row ids is read on one connection.
Expected<Batch> loadAll(sqlite3 *main, const QString &filePath, int threads, qint64 minRowsPerThread = 50000);

// Every stored row in SQLite's own order (date DESC, eventID DESC), on `main` alone.
Expected<Batch> loadInSqlOrder(sqlite3 *main);

// The given rows, in no particular order.
Expected<Batch> readRows(sqlite3 *main, const QList<qint64> &rowIds);

// Orders each run [first, last) of rows with equal dates by eventID descending, reading the
// identifiers of those rows only. False when an identifier is not text (needs SQL order).
Expected<bool> orderTies(sqlite3 *main, std::vector<Row> &rows,
                         const std::vector<std::pair<size_t, size_t>> &runs);

// The runs of two or more adjacent rows with equal dates.
std::vector<std::pair<size_t, size_t>> equalDateRuns(const std::vector<Row> &rows);

// The sqlite3 handle under a Qt SQLite connection, or null.
sqlite3 *handleOf(const QSqlDatabase &db);

}  // namespace SnapshotLoader
