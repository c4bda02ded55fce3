#include "SnapshotSync.h"

#include "Persistence/ModelContext.h"
#include "Persistence/SnapshotLoader.h"

#include <QHash>
#include <mutex>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace SnapshotSync {

struct Session {
    std::mutex lock;                    // held by the job that runs
    SnapshotLoader::Connection db;      // opened by the first job
    std::mutex spareLock;               // the data's deleter runs on whichever thread lets go
    std::vector<EarthquakeSnapshot::Row> spare;

    std::vector<EarthquakeSnapshot::Row> takeSpare()
    {
        const std::lock_guard guard(spareLock);
        return std::exchange(spare, {});
    }
    void keep(std::vector<EarthquakeSnapshot::Row> rows)
    {
        const std::lock_guard guard(spareLock);
        if (rows.capacity() > spare.capacity())
            spare = std::move(rows);
    }
};

std::shared_ptr<Session> newSession()
{
    return std::make_shared<Session>();
}

namespace {

using Row = EarthquakeSnapshot::Row;
using SnapshotLoader::Batch;

qint64 largestRowId(const std::vector<Row> &rows)
{
    qint64 largest = std::numeric_limits<qint64>::min();
    for (const Row &row : rows)
        largest = std::max(largest, row.rowId);
    return largest;
}

// Data whose rows go back to the session when the last reader lets go.
std::shared_ptr<Data> newData(const std::shared_ptr<Session> &session)
{
    if (!session)
        return std::make_shared<Data>();
    return std::shared_ptr<Data>(new Data, [session](Data *data) {
        session->keep(std::move(data->rows));
        delete data;
    });
}

DataPtr dataOf(Batch batch, const std::shared_ptr<Session> &session = {})
{
    auto data = newData(session);
    data->maxRowId = largestRowId(batch.rows);
    data->rows = std::move(batch.rows);
    data->places = std::move(batch.places);
    data->sqlOrdered = batch.needsSqlOrder;
    return data;
}

Result load(sqlite3 *db, const Request &request)
{
    // One read transaction, so that the ends of the row ids and the identifiers of equal dates
    // come from one state of the store.
    if (!SnapshotLoader::exec(db, "BEGIN"))
        return {nullptr, true, true};
    auto loaded = SnapshotLoader::loadAll(db, request.path, request.threads, request.minRowsPerThread);
    SnapshotLoader::exec(db, "COMMIT");
    if (!loaded)
        return {nullptr, true, true};
    return {dataOf(std::move(*loaded), request.session), true, false};
}

// Equal bits, so that -0.0 and NaN count as themselves.
bool same(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Whether every given row reads as the snapshot holds it.
bool stillAsKnown(sqlite3 *db, const Data &known, QList<qint64> rowIds)
{
    if (rowIds.isEmpty())
        return true;
    std::sort(rowIds.begin(), rowIds.end());
    rowIds.erase(std::unique(rowIds.begin(), rowIds.end()), rowIds.end());
    const auto stored = SnapshotLoader::readRows(db, rowIds);
    if (!stored || stored->needsSqlOrder || stored->rows.size() != size_t(rowIds.size()))
        return false;
    std::unordered_map<qint64, const Row *> held;
    for (const Row &row : known.rows) {
        if (std::binary_search(rowIds.cbegin(), rowIds.cend(), row.rowId))
            held.emplace(row.rowId, &row);
    }
    for (const Row &row : stored->rows) {
        const auto found = held.find(row.rowId);
        if (found == held.end())
            return false;
        const Row &mine = *found->second;
        if (row.dateMs != mine.dateMs || !same(row.latitude, mine.latitude) || !same(row.longitude, mine.longitude)
            || !same(row.depth, mine.depth) || !same(row.magnitude, mine.magnitude)
            || stored->places[row.place] != known.places[mine.place])
            return false;
    }
    return true;
}

// The known rows with the fresh ones in their places; null when only SQLite can order them.
DataPtr merged(sqlite3 *db, const Data &known, Batch fresh, const std::shared_ptr<Session> &session)
{
    auto data = newData(session);
    data->places = known.places;
    QHash<QString, quint32> index;
    index.reserve(qsizetype(data->places.size()));
    for (size_t i = 0; i < data->places.size(); ++i)
        index.insert(data->places[i], quint32(i));
    for (Row &row : fresh.rows) {
        const QString &name = fresh.places[row.place];
        auto found = index.constFind(name);
        if (found == index.constEnd()) {
            found = index.insert(name, quint32(data->places.size()));
            data->places.push_back(name);
        }
        row.place = found.value();
    }
    const auto newerDate = [](const Row &a, const Row &b) { return a.dateMs > b.dateMs; };
    std::sort(fresh.rows.begin(), fresh.rows.end(), newerDate);
    // A known row at the same date as a fresh one stays before it until the ties are ordered.
    const size_t size = known.rows.size() + fresh.rows.size();
    data->rows = session ? session->takeSpare() : std::vector<Row>();
    data->rows.clear();
    if (data->rows.capacity() < size)
        data->rows.reserve(size + size / 16);  // room for the next merges
    std::merge(known.rows.cbegin(), known.rows.cend(), fresh.rows.cbegin(), fresh.rows.cend(),
               std::back_inserter(data->rows), newerDate);
    data->maxRowId = std::max(known.maxRowId, largestRowId(fresh.rows));

    // Equal dates: order each run that took in a fresh row by eventID.
    std::vector<std::pair<size_t, size_t>> runs;
    for (const Row &row : fresh.rows) {
        const auto [first, last] = std::equal_range(data->rows.cbegin(), data->rows.cend(), row, newerDate);
        const std::pair<size_t, size_t> run(size_t(first - data->rows.cbegin()), size_t(last - data->rows.cbegin()));
        if (run.second - run.first > 1 && (runs.empty() || runs.back() != run))
            runs.push_back(run);
    }
    const auto ordered = SnapshotLoader::orderTies(db, data->rows, runs);
    return ordered && *ordered ? data : nullptr;
}

// Brings `known` up to date inside the caller's read transaction; null data: read afresh.
Result bringUpToDate(sqlite3 *db, const Request &request)
{
    const Data &known = *request.known;
    const Result unchanged;
    const Result reload{nullptr, true, false};
    if (known.sqlOrdered)
        return reload;
    auto fresh = SnapshotLoader::readAfter(db, known.maxRowId);
    const auto stored = SnapshotLoader::count(db);
    if (!fresh || !stored)
        return {nullptr, false, true};
    if (fresh->needsSqlOrder || *stored != qint64(known.rows.size() + fresh->rows.size()))
        return reload;
    // Rows past the largest known row id account for every new row only while the known ones
    // stand: a row id given again after its row was deleted, or a row rewritten in place, shows
    // in the rows re-read here.
    QList<qint64> recheck;
    for (qint64 id : request.ownRowIds) {
        if (id <= known.maxRowId)
            recheck.append(id);
    }
    if (!known.rows.empty())
        recheck.append(known.maxRowId);
    if (!stillAsKnown(db, known, recheck))
        return reload;
    if (fresh->rows.empty())
        return request.reloadIfUnexplained ? reload : unchanged;
    DataPtr data = merged(db, known, std::move(*fresh), request.session);
    return data ? Result{data, false, false} : reload;
}

}  // namespace

Result run(const Request &request)
{
    const auto session = request.session ? request.session : newSession();
    const std::lock_guard guard(session->lock);
    if (!session->db) {
        auto db = SnapshotLoader::openReadOnly(request.path);
        if (!db)
            return {nullptr, !request.known, true};
        session->db = std::move(*db);
    }
    sqlite3 *db = session->db.get();
    if (!request.known)
        return load(db, request);
    if (!SnapshotLoader::exec(db, "BEGIN"))
        return {nullptr, false, true};
    Result result = bringUpToDate(db, request);
    SnapshotLoader::exec(db, "COMMIT");
    if (result.reloaded && !result.data && !result.failed)
        return load(db, request);
    return result;
}

Result loadThroughContext(const ModelContext &context)
{
    FetchDescriptor all;
    all.sortByDate = SortOrder::Reverse;
    const auto fetched = context.fetch(all);
    if (!fetched)
        return {nullptr, true, true};
    Batch batch;
    batch.needsSqlOrder = true;
    batch.rows.reserve(size_t(fetched->size()));
    QHash<QString, quint32> index;
    for (const EarthquakePtr &e : *fetched) {
        auto found = index.constFind(e->location());
        if (found == index.constEnd()) {
            found = index.insert(e->location(), quint32(batch.places.size()));
            batch.places.push_back(e->location());
        }
        batch.rows.push_back(
            Row{e->id().value, e->dateMs(), e->latitude(), e->longitude(), e->depth(), e->magnitude(), found.value()});
    }
    return {dataOf(std::move(batch)), true, false};
}

}  // namespace SnapshotSync
