#include "EarthquakeSnapshot.h"

#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Persistence/SnapshotLoader.h"

#include <algorithm>

EarthquakeSnapshot::EarthquakeSnapshot(ModelContainer *container, QObject *parent)
    : QObject(parent)
    , m_container(container)
{
    connect(container, &ModelContainer::didSave, this, &EarthquakeSnapshot::onSaved);
}

const std::vector<EarthquakeSnapshot::Row> &EarthquakeSnapshot::rows()
{
    if (!m_loaded)
        load();
    return m_rows;
}

const QString &EarthquakeSnapshot::placeName(quint32 place) const
{
    static const QString none;
    return place < m_places.size() ? m_places[place] : none;
}

std::optional<Earthquake> EarthquakeSnapshot::record(const Row &row) const
{
    const auto fetched = m_container->mainContext()->fetchRows({row.rowId});
    if (!fetched || fetched->isEmpty())
        return std::nullopt;
    return *fetched->constFirst();
}

bool EarthquakeSnapshot::load()
{
    unload();
    sqlite3 *db = SnapshotLoader::handleOf(m_container->database());
    if (!db)
        return false;
    const QString path = m_container->configuration().inMemory ? QString() : m_container->configuration().filePath;
    auto loaded = SnapshotLoader::loadAll(db, path, m_readerThreads, m_minRowsPerThread);
    if (!loaded)
        return false;
    m_rows = std::move(loaded->rows);
    m_places = std::move(loaded->places);
    m_placeIndex.reserve(qsizetype(m_places.size()));
    for (size_t i = 0; i < m_places.size(); ++i)
        m_placeIndex.insert(m_places[i], quint32(i));
    m_sqlOrdered = loaded->needsSqlOrder;
    m_loaded = true;
    m_loadedAtSave = m_container->saveCount();
    return true;
}

void EarthquakeSnapshot::unload()
{
    std::vector<Row>().swap(m_rows);
    std::vector<QString>().swap(m_places);
    m_placeIndex.clear();
    m_loaded = false;
    m_sqlOrdered = false;
}

quint32 EarthquakeSnapshot::intern(const QString &name)
{
    const auto found = m_placeIndex.constFind(name);
    if (found != m_placeIndex.constEnd())
        return found.value();
    const auto index = quint32(m_places.size());
    m_places.push_back(name);
    m_placeIndex.insert(name, index);
    return index;
}

void EarthquakeSnapshot::onSaved(const QList<qint64> &addedRowIds)
{
    if (addedRowIds.isEmpty())
        return;
    // Not loaded: the next reader loads everything. Loaded during this save's signal: the rows
    // are in already.
    if (m_loaded && m_loadedAtSave < m_container->saveCount()) {
        // A read that fails leaves the snapshot unloaded rather than short of the store.
        if (m_sqlOrdered || !mergeAdded(addedRowIds))
            load();
        m_loadedAtSave = m_container->saveCount();
    }
    emit changed();
}

bool EarthquakeSnapshot::mergeAdded(const QList<qint64> &addedRowIds)
{
    sqlite3 *db = SnapshotLoader::handleOf(m_container->database());
    if (!db)
        return false;
    auto added = SnapshotLoader::readRows(db, addedRowIds);
    if (!added || added->needsSqlOrder)
        return false;
    std::vector<Row> fresh = std::move(added->rows);
    for (Row &row : fresh)
        row.place = intern(added->places[row.place]);
    const auto newerDate = [](const Row &a, const Row &b) { return a.dateMs > b.dateMs; };
    std::sort(fresh.begin(), fresh.end(), newerDate);

    // Merge from the back, so that each stored row moves once.
    const size_t oldSize = m_rows.size();
    m_rows.resize(oldSize + fresh.size());
    size_t read = oldSize;
    size_t write = m_rows.size();
    for (size_t k = fresh.size(); k-- > 0;) {
        // Rows older than the fresh one move back; a stored row at the same date stays before.
        while (read > 0 && newerDate(fresh[k], m_rows[read - 1]))
            m_rows[--write] = m_rows[--read];
        m_rows[--write] = fresh[k];
    }

    // Equal dates: order each run that took in a fresh row by eventID.
    std::vector<std::pair<size_t, size_t>> runs;
    for (const Row &row : fresh) {
        const auto [first, last] = std::equal_range(m_rows.begin(), m_rows.end(), row, newerDate);
        const std::pair<size_t, size_t> run(size_t(first - m_rows.begin()), size_t(last - m_rows.begin()));
        if (run.second - run.first > 1 && (runs.empty() || runs.back() != run))
            runs.push_back(run);
    }
    const auto ordered = SnapshotLoader::orderTies(db, m_rows, runs);
    return ordered && *ordered;
}
