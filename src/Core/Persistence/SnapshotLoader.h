#pragma once

#include "Persistence/EarthquakeSnapshot.h"
#include "Platform/Error.h"

#include <memory>
#include <utility>
#include <vector>

struct sqlite3;

// Reads the snapshot's rows through SQLite's C interface, on read-only connections of its own
// to the store file (never on the Qt driver's, whose SQLite may be another copy of the
// library): seven columns per row, in row id order, on several connections at once, then
// sorted in memory. A fetch of whole records takes seconds for a million events; this takes a
// fraction of one. Every function may run on any thread, each connection on one at a time.
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
    // A date that is not an integer or a store that does not keep its text as UTF-8: SQLite
    // orders such rows by rules of its own, so only it can sort them. (An eventID that is not
    // text matters only among equal dates: orderTies() finds it.)
    bool needsSqlOrder = false;
};

struct ConnectionCloser {
    void operator()(sqlite3 *db) const;
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;

// A read-only connection to the store file at `path`.
Expected<Connection> openReadOnly(const QString &path);
Expected<void> exec(sqlite3 *db, const char *sql);

// Every stored row, newest first, equal dates by eventID descending, read on `db` and, for a
// store of at least 2 x `minRowsPerThread` row ids, on up to `threads` connections of its own
// to `filePath` at once.
Expected<Batch> loadAll(sqlite3 *db, const QString &filePath, int threads, qint64 minRowsPerThread = 50000);

// Every stored row in SQLite's own order (date DESC, eventID DESC).
Expected<Batch> loadInSqlOrder(sqlite3 *db);

// The given rows, in no particular order.
Expected<Batch> readRows(sqlite3 *db, const QList<qint64> &rowIds);

// The rows whose row id is greater than `rowId`, in no particular order.
Expected<Batch> readAfter(sqlite3 *db, qint64 rowId);

// How many rows the store holds.
Expected<qint64> count(sqlite3 *db);

// Orders each run [first, last) of rows with equal dates by eventID descending, reading the
// identifiers of those rows only. False when an identifier is not text (needs SQL order).
Expected<bool> orderTies(sqlite3 *db, std::vector<Row> &rows, const std::vector<std::pair<size_t, size_t>> &runs);

// The runs of two or more adjacent rows with equal dates.
std::vector<std::pair<size_t, size_t>> equalDateRuns(const std::vector<Row> &rows);

}  // namespace SnapshotLoader
