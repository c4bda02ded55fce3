#include "ModelContext.h"

#include "Persistence/EarthquakeTable.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/StoreError.h"
#include "Persistence/StoreWriter.h"

namespace {

Error closedStoreError()
{
    return storeError(QStringLiteral("the store is closed"));
}

// `done` as a call that does nothing once a given receiver is gone.
ModelContext::FetchCompletion guarded(QObject *receiver, ModelContext::FetchCompletion done)
{
    const bool bound = receiver != nullptr;
    return [bound, guard = QPointer<QObject>(receiver), done = std::move(done)](Expected<EarthquakeList> result) {
        if (done && (!bound || guard))
            done(std::move(result));
    };
}

struct NewRows {
    EarthquakeList stored;
    QList<qint64> addedRowIds;
};

// On the writer's connection: the lookup of the stored identifiers, then the inserts.
Expected<NewRows> storeNew(QSqlDatabase &db, const EarthquakeList &candidates)
{
    if (!db.isOpen())
        return storeError(db.lastError());
    QStringList ids;
    ids.reserve(candidates.size());
    for (const EarthquakePtr &e : candidates)
        ids.append(e->eventID());
    const Expected<QSet<QString>> known = EarthquakeTable::storedEventIDs(db, ids);
    // Without the stored identifiers every row would look new and be alerted again.
    if (!known)
        return known.error();
    QSet<QString> taken;
    NewRows rows;
    for (const EarthquakePtr &e : candidates) {
        // A stored event keeps its values; of twins only the first counts.
        if (known->contains(e->eventID()) || taken.contains(e->eventID()))
            continue;
        taken.insert(e->eventID());
        rows.stored.append(e);
    }
    if (rows.stored.isEmpty())
        return rows;
    const Expected<QList<qint64>> added = EarthquakeTable::insert(db, rows.stored);
    if (!added)
        return added.error();
    rows.addedRowIds = *added;
    return rows;
}

}  // namespace

ModelContext::ModelContext(ModelContainer *container, QObject *parent)
    : QObject(parent)
    , m_container(container)
{
}

ModelContainer *ModelContext::container() const
{
    return m_container.data();
}

Expected<QSqlDatabase> ModelContext::database() const
{
    if (!m_container)
        return closedStoreError();
    return m_container->database();
}

void ModelContext::insert(const EarthquakePtr &earthquake)
{
    if (earthquake)
        m_inserted.append(earthquake);
}

Expected<EarthquakeList> ModelContext::fetch(const FetchDescriptor &descriptor) const
{
    const Expected<QSqlDatabase> db = database();
    return db ? EarthquakeTable::fetch(*db, descriptor) : db.error();
}

Expected<qint64> ModelContext::fetchCount(const FetchDescriptor &descriptor) const
{
    const Expected<QSqlDatabase> db = database();
    return db ? EarthquakeTable::count(*db, descriptor) : db.error();
}

Expected<QSet<QString>> ModelContext::fetchStoredEventIDs(const QStringList &eventIDs) const
{
    const Expected<QSqlDatabase> db = database();
    return db ? EarthquakeTable::storedEventIDs(*db, eventIDs) : db.error();
}

Expected<QSet<QString>> ModelContext::fetchAllEventIDs() const
{
    const Expected<QSqlDatabase> db = database();
    return db ? EarthquakeTable::allEventIDs(*db) : db.error();
}

Expected<QList<qint64>> ModelContext::fetchDates(const FetchDescriptor &descriptor) const
{
    const Expected<QSqlDatabase> db = database();
    return db ? EarthquakeTable::dates(*db, descriptor) : db.error();
}

Expected<EarthquakeList> ModelContext::fetchRows(const QList<qint64> &rowIds) const
{
    const Expected<QSqlDatabase> db = database();
    return db ? EarthquakeTable::rows(*db, rowIds) : db.error();
}

Expected<void> ModelContext::save()
{
    if (m_inserted.isEmpty())
        return {};
    const EarthquakeList staged = std::exchange(m_inserted, {});
    Expected<QSqlDatabase> db = database();
    if (!db)
        return db.error();
    const Expected<QList<qint64>> added = EarthquakeTable::insert(*db, staged);
    if (!added)
        return added.error();
    emit didSave();
    m_container->noteSaved(*added);
    return {};
}

void ModelContext::rollback()
{
    m_inserted.clear();
}

void ModelContext::failLater(QObject *receiver, FetchCompletion done)
{
    QMetaObject::invokeMethod(
        this, [finish = guarded(receiver, std::move(done))] { finish(closedStoreError()); }, Qt::QueuedConnection);
}

void ModelContext::saveNew(std::function<EarthquakeList()> candidates, QObject *receiver, FetchCompletion done)
{
    if (!m_container)
        return failLater(receiver, std::move(done));
    // The writer is the container's: while its completion can run, the container is alive.
    ModelContainer *container = m_container;
    m_container->writer()->run<Expected<NewRows>>(
        [candidates = std::move(candidates)](QSqlDatabase &db) { return storeNew(db, candidates()); },
        [container, self = QPointer<ModelContext>(this), finish = guarded(receiver, std::move(done))](
            Expected<NewRows> saved) {
            if (!saved)
                return finish(saved.error());
            if (!saved->stored.isEmpty()) {
                if (self)
                    emit self->didSave();
                container->noteSaved(saved->addedRowIds);
            }
            finish(std::move(saved->stored));
        });
}

void ModelContext::fetchInBackground(const FetchDescriptor &descriptor, QObject *receiver, FetchCompletion done)
{
    if (!m_container)
        return failLater(receiver, std::move(done));
    m_container->writer()->run<Expected<EarthquakeList>>(
        [descriptor](QSqlDatabase &db) {
            return db.isOpen() ? EarthquakeTable::fetch(db, descriptor) : Expected<EarthquakeList>(storeError(db.lastError()));
        },
        guarded(receiver, std::move(done)));
}
