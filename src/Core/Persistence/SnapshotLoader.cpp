#include "SnapshotLoader.h"

#include "Persistence/StoreError.h"

#include <QByteArray>
#include <QFuture>
#include <QHash>
#include <QThreadPool>
#include <QVariant>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <unordered_map>

namespace SnapshotLoader {

namespace {

// Seven columns; eventIDs are read only for rows that share a date (orderTies).
const char kSelect[] = "SELECT rowid, date, latitude, longitude, depth, magnitude, location FROM Earthquake";

Error sqliteError(sqlite3 *db)
{
    return storeError(QString::fromUtf8(db ? sqlite3_errmsg(db) : "cannot open the store"));
}

struct StatementDeleter {
    void operator()(sqlite3_stmt *st) const { sqlite3_finalize(st); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

Expected<Statement> prepare(sqlite3 *db, const QByteArray &sql)
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return sqliteError(db);
    }
    return Statement(st);
}

QString text16(sqlite3_stmt *st, int column)
{
    const void *text = sqlite3_column_text16(st, column);
    const int bytes = sqlite3_column_bytes16(st, column);
    return QString(reinterpret_cast<const QChar *>(text), bytes / int(sizeof(QChar)));
}

// The value as the Qt SQLite driver hands it to QSqlQuery::value().
QVariant driverValue(sqlite3_stmt *st, int column)
{
    switch (sqlite3_column_type(st, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(st, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(st, column));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(st, column)), sqlite3_column_bytes(st, column));
    default:
        return text16(st, column);
    }
}

double readDouble(sqlite3_stmt *st, int column)
{
    switch (sqlite3_column_type(st, column)) {
    case SQLITE_FLOAT:
    case SQLITE_INTEGER:
    case SQLITE_NULL:  // 0, as QVariant's conversion of a null value
        return sqlite3_column_double(st, column);
    default:
        return driverValue(st, column).toDouble();
    }
}

// A date that is not an integer reads as the driver's value converted by QVariant, as in a
// fetch. A real number outside qint64's range is never converted (that is undefined): it reads
// as the smallest qint64, which is what the conversion yields for it here.
qint64 foreignDate(sqlite3_stmt *st, int column)
{
    if (sqlite3_column_type(st, column) == SQLITE_FLOAT) {
        const double date = sqlite3_column_double(st, column);
        if (!(std::isfinite(date) && std::fabs(date) < 9.2e18))
            return std::numeric_limits<qint64>::min();
    }
    return driverValue(st, column).toLongLong();
}

struct BytesHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// Reads result rows into a batch, giving each distinct place name one index.
class RowReader {
public:
    explicit RowReader(Batch &batch) : m_batch(batch) {}

    void read(sqlite3_stmt *st)
    {
        Row row;
        row.rowId = sqlite3_column_int64(st, 0);
        if (sqlite3_column_type(st, 1) == SQLITE_INTEGER) {
            row.dateMs = sqlite3_column_int64(st, 1);
        } else {
            row.dateMs = foreignDate(st, 1);
            m_batch.needsSqlOrder = true;
        }
        row.latitude = readDouble(st, 2);
        row.longitude = readDouble(st, 3);
        row.depth = readDouble(st, 4);
        row.magnitude = readDouble(st, 5);
        row.place = place(st, 6);
        m_batch.rows.push_back(row);
    }

private:
    quint32 place(sqlite3_stmt *st, int column)
    {
        if (sqlite3_column_type(st, column) != SQLITE_TEXT) {
            QString name = driverValue(st, column).toString();
            return byText(name.isNull() ? QString(QLatin1String("")) : name);
        }
        // Most rows repeat a name already seen: look it up by its bytes, without a QString.
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(st, column));
        const std::string_view key(bytes ? bytes : "", size_t(sqlite3_column_bytes(st, column)));
        if (const auto found = m_byBytes.find(key); found != m_byBytes.end())
            return found->second;
        std::string stored(key);
        // Decoded as the driver decodes it, so that malformed UTF-8 reads the same.
        const quint32 index = byText(text16(st, column));
        m_byBytes.emplace(std::move(stored), index);
        return index;
    }

    quint32 byText(const QString &name)
    {
        const auto found = m_byText.constFind(name);
        if (found != m_byText.constEnd())
            return found.value();
        const auto index = quint32(m_batch.places.size());
        m_batch.places.push_back(name);
        m_byText.insert(name, index);
        return index;
    }

    Batch &m_batch;
    std::unordered_map<std::string, quint32, BytesHash, std::equal_to<>> m_byBytes;
    QHash<QString, quint32> m_byText;
};

Expected<void> readAll(sqlite3 *db, sqlite3_stmt *st, Batch &batch)
{
    RowReader reader(batch);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        reader.read(st);
    if (rc != SQLITE_DONE)
        return sqliteError(db);
    return {};
}

bool storesUtf8(sqlite3 *db)
{
    auto st = prepare(db, "PRAGMA encoding");
    if (!st || sqlite3_step(st->get()) != SQLITE_ROW)
        return false;
    return qstrcmp(reinterpret_cast<const char *>(sqlite3_column_text(st->get(), 0)), "UTF-8") == 0;
}

// Provisional order: newest first; equal dates by row id until orderTies() decides.
bool newerFirst(const Row &a, const Row &b)
{
    return a.dateMs != b.dateMs ? a.dateMs > b.dateMs : a.rowId < b.rowId;
}

// One part of the row id range, read on a connection of its own.
struct Part {
    qint64 first = 0;
    qint64 last = 0;
    Batch batch;
    bool ok = false;
};

void readPart(const QString &path, Part &part)
{
    if (auto db = openReadOnly(path)) {
        // A scan of a whole part: its pages read straight from the mapped file rather than
        // copied into the page cache. (Small reads are faster without the mapping.)
        sqlite3_exec(db->get(), "PRAGMA mmap_size = 1073741824", nullptr, nullptr, nullptr);
        if (auto st = prepare(db->get(), QByteArray(kSelect) + " WHERE rowid BETWEEN ?1 AND ?2")) {
            sqlite3_bind_int64(st->get(), 1, part.first);
            sqlite3_bind_int64(st->get(), 2, part.last);
            part.batch.rows.reserve(size_t(std::min<qint64>(part.last - part.first + 1, 1 << 20)));
            part.ok = bool(readAll(db->get(), st->get(), part.batch));
        }
    }
    if (part.ok)
        std::sort(part.batch.rows.begin(), part.batch.rows.end(), newerFirst);
}

// One pass over all the sorted lists at once, into one new list.
std::vector<Row> mergeSorted(std::vector<std::vector<Row>> lists)
{
    size_t total = 0;
    std::vector<std::pair<const Row *, const Row *>> heads;
    for (const std::vector<Row> &list : lists) {
        total += list.size();
        if (!list.empty())
            heads.emplace_back(list.data(), list.data() + list.size());
    }
    std::vector<Row> out;
    out.reserve(total);
    while (!heads.empty()) {
        size_t best = 0;
        for (size_t i = 1; i < heads.size(); ++i) {
            if (newerFirst(*heads[i].first, *heads[best].first))
                best = i;
        }
        out.push_back(*heads[best].first++);
        if (heads[best].first == heads[best].second)
            heads.erase(heads.begin() + qsizetype(best));
    }
    return out;
}

// Several read-only connections over slices of the row id range. Empty when that cannot be
// done (a part failed to open or read): the caller then reads on its own connection.
std::optional<Batch> loadInParts(sqlite3 *db, const QString &filePath, int threads, qint64 minRowsPerThread)
{
    // Each end of the row id b-tree on its own: SQLite reads one row for a lone min() or max(),
    // but scans the table for both in one query.
    const auto end = [db](const char *sql) -> std::optional<qint64> {
        auto st = prepare(db, sql);
        if (!st || sqlite3_step(st->get()) != SQLITE_ROW || sqlite3_column_type(st->get(), 0) == SQLITE_NULL)
            return std::nullopt;
        return sqlite3_column_int64(st->get(), 0);
    };
    const auto first = end("SELECT min(rowid) FROM Earthquake");
    const auto last = end("SELECT max(rowid) FROM Earthquake");
    if (!first || !last)
        return std::nullopt;
    const qint64 low = *first;
    const qint64 high = *last;
    // Row ids written by another program may span more than qint64 holds.
    if (low < 0 && high > std::numeric_limits<qint64>::max() + low)
        return std::nullopt;
    const qint64 span = high - low;  // + 1 ids
    const int count = int(std::clamp<qint64>(span / qMax<qint64>(1, minRowsPerThread), 1, threads));
    if (count < 2)
        return std::nullopt;

    std::vector<Part> parts{size_t(count)};
    const qint64 step = span / count;
    for (int i = 0; i < count; ++i) {
        parts[size_t(i)].first = low + step * i;
        parts[size_t(i)].last = i + 1 == count ? high : low + step * (i + 1) - 1;
    }
    // The first part is read here; waiting on a part that no pool thread has taken yet runs it
    // here too, so a busy pool delays the load but never blocks it, and every part is waited for.
    std::vector<QFuture<void>> others;
    for (size_t i = 1; i < parts.size(); ++i)
        others.push_back(QtConcurrent::run(QThreadPool::globalInstance(), readPart, filePath, std::ref(parts[i])));
    readPart(filePath, parts[0]);
    for (QFuture<void> &other : others)
        other.waitForFinished();

    Batch all;
    QHash<QString, quint32> names;
    std::vector<std::vector<Row>> lists;
    for (Part &part : parts) {
        if (!part.ok)
            return std::nullopt;
        all.needsSqlOrder = all.needsSqlOrder || part.batch.needsSqlOrder;
        std::vector<quint32> global(part.batch.places.size());
        for (size_t i = 0; i < global.size(); ++i) {
            const QString &name = part.batch.places[i];
            auto found = names.constFind(name);
            if (found == names.constEnd()) {
                found = names.insert(name, quint32(all.places.size()));
                all.places.push_back(name);
            }
            global[i] = found.value();
        }
        for (Row &row : part.batch.rows)
            row.place = global[row.place];
        lists.push_back(std::move(part.batch.rows));
    }
    if (all.needsSqlOrder)
        return all;  // the caller reads again in SQL order; the rows are of no use
    all.rows = mergeSorted(std::move(lists));
    return all;
}

}  // namespace

void ConnectionCloser::operator()(sqlite3 *db) const
{
    sqlite3_close(db);
}

Expected<Connection> openReadOnly(const QString &path)
{
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    Connection connection(db);
    if (rc != SQLITE_OK)
        return sqliteError(db);
    // A writer holds the store only for the length of a commit.
    sqlite3_busy_timeout(db, 10000);
    return connection;
}

Expected<void> exec(sqlite3 *db, const char *sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return sqliteError(db);
    return {};
}

Expected<qint64> count(sqlite3 *db)
{
    auto st = prepare(db, "SELECT count(*) FROM Earthquake");
    if (!st)
        return st.error();
    if (sqlite3_step(st->get()) != SQLITE_ROW)
        return sqliteError(db);
    return qint64(sqlite3_column_int64(st->get(), 0));
}

// Some of the rows, in no particular order: `where` with its one parameter bound by `bind`.
template <typename Bind>
Expected<Batch> readWhere(sqlite3 *db, const char *where, Bind bind)
{
    auto st = prepare(db, QByteArray(kSelect) + where);
    if (!st)
        return st.error();
    bind(st->get());
    Batch batch;
    if (!storesUtf8(db))
        batch.needsSqlOrder = true;
    if (auto read = readAll(db, st->get(), batch); !read)
        return read.error();
    return batch;
}

Expected<Batch> readAfter(sqlite3 *db, qint64 rowId)
{
    return readWhere(db, " WHERE rowid > ?1", [rowId](sqlite3_stmt *st) { sqlite3_bind_int64(st, 1, rowId); });
}

Expected<Batch> loadInSqlOrder(sqlite3 *db)
{
    auto st = prepare(db, QByteArray(kSelect) + " ORDER BY date DESC, eventID DESC");
    if (!st)
        return st.error();
    Batch batch;
    if (auto read = readAll(db, st->get(), batch); !read)
        return read.error();
    return batch;
}

Expected<Batch> loadAll(sqlite3 *db, const QString &filePath, int threads, qint64 minRowsPerThread)
{
    if (!storesUtf8(db))
        return loadInSqlOrder(db);

    std::optional<Batch> loaded;
    if (!filePath.isEmpty() && threads > 1)
        loaded = loadInParts(db, filePath, threads, minRowsPerThread);
    if (!loaded) {
        auto st = prepare(db, kSelect);
        if (!st)
            return st.error();
        Batch batch;
        if (auto read = readAll(db, st->get(), batch); !read)
            return read.error();
        std::sort(batch.rows.begin(), batch.rows.end(), newerFirst);
        loaded = std::move(batch);
    }
    if (loaded->needsSqlOrder)
        return loadInSqlOrder(db);

    const auto ties = orderTies(db, loaded->rows, equalDateRuns(loaded->rows));
    if (!ties)
        return ties.error();
    if (!*ties)
        return loadInSqlOrder(db);
    return std::move(*loaded);
}

Expected<Batch> readRows(sqlite3 *db, const QList<qint64> &rowIds)
{
    QByteArray list = "[";
    for (qsizetype i = 0; i < rowIds.size(); ++i) {
        if (i)
            list += ',';
        list += QByteArray::number(rowIds.at(i));
    }
    list += ']';
    return readWhere(db, " WHERE rowid IN (SELECT value FROM json_each(?1))", [&list](sqlite3_stmt *st) {
        sqlite3_bind_text(st, 1, list.constData(), int(list.size()), SQLITE_STATIC);
    });
}

std::vector<std::pair<size_t, size_t>> equalDateRuns(const std::vector<Row> &rows)
{
    std::vector<std::pair<size_t, size_t>> runs;
    for (size_t i = 0; i < rows.size();) {
        size_t j = i + 1;
        while (j < rows.size() && rows[j].dateMs == rows[i].dateMs)
            ++j;
        if (j - i > 1)
            runs.emplace_back(i, j);
        i = j;
    }
    return runs;
}

Expected<bool> orderTies(sqlite3 *db, std::vector<Row> &rows, const std::vector<std::pair<size_t, size_t>> &runs)
{
    if (runs.empty())
        return true;
    QByteArray list = "[";
    for (const auto &[first, last] : runs) {
        for (size_t i = first; i < last; ++i) {
            if (list.size() > 1)
                list += ',';
            list += QByteArray::number(rows[i].rowId);
        }
    }
    list += ']';
    auto st = prepare(db, "SELECT rowid, eventID FROM Earthquake WHERE rowid IN (SELECT value FROM json_each(?1))");
    if (!st)
        return st.error();
    sqlite3_bind_text(st->get(), 1, list.constData(), int(list.size()), SQLITE_STATIC);
    std::unordered_map<qint64, std::string> ids;
    int rc;
    while ((rc = sqlite3_step(st->get())) == SQLITE_ROW) {
        if (sqlite3_column_type(st->get(), 1) != SQLITE_TEXT)
            return false;
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(st->get(), 1));
        ids.emplace(sqlite3_column_int64(st->get(), 0),
                    std::string(text ? text : "", size_t(sqlite3_column_bytes(st->get(), 1))));
    }
    if (rc != SQLITE_DONE)
        return sqliteError(db);
    // SQLite compares text bytewise (BINARY), as std::string does.
    const auto idOf = [&ids](const Row &row) -> const std::string & {
        static const std::string none;
        const auto found = ids.find(row.rowId);
        return found == ids.end() ? none : found->second;
    };
    for (const auto &[first, last] : runs) {
        std::stable_sort(rows.begin() + qsizetype(first), rows.begin() + qsizetype(last),
                         [&](const Row &a, const Row &b) { return idOf(a) > idOf(b); });
    }
    return true;
}

}  // namespace SnapshotLoader
