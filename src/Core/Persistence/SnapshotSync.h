#pragma once

#include "Persistence/EarthquakeSnapshot.h"

#include <QList>
#include <QString>

class ModelContext;

// The snapshot's reads, each producing the data that follows from what the store holds now.
namespace SnapshotSync {

using Data = EarthquakeSnapshot::Data;
using DataPtr = EarthquakeSnapshot::DataPtr;

// What the jobs of one snapshot share, one job at a time: a connection whose page cache stays
// warm between jobs, and the row memory of data no reader holds any more, which the next
// merge reuses rather than faulting in fresh pages for a million rows.
struct Session;
std::shared_ptr<Session> newSession();

struct Request {
    std::shared_ptr<Session> session;
    QString path;                  // the store file, read on connections of the job's own
    int threads = 4;
    qint64 minRowsPerThread = 50000;
    DataPtr known;                 // null: load everything
    QList<qint64> ownRowIds;       // rows that own saves added since the last job
    bool reloadIfUnexplained = false;  // the store changed and no own save did it
};

struct Result {
    DataPtr data;                  // null when nothing changed or the read failed
    bool reloaded = false;         // read afresh rather than merged
    bool failed = false;
};

// On any thread. Without `known`, reads every row. With it, brings it up to date in one read
// transaction: rows past the largest known row id are merged in; a store that holds another
// number of rows than the merge would give, a re-read known row that differs (an own save's
// row, and the newest known row id), or a change that neither added rows nor came from an own
// save, is read afresh.
Result run(const Request &request);

// An in-memory store, which no other connection can read: every row through the store's own
// connection, in SQLite's order, on the thread that owns it.
Result loadThroughContext(const ModelContext &context);

}  // namespace SnapshotSync
