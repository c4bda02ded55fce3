#pragma once

#include "Models/Earthquake.h"
#include "Persistence/FetchDescriptor.h"
#include "Platform/Error.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSqlDatabase>
#include <QStringList>
#include <QtQml/qqmlregistration.h>
#include <functional>

class ModelContainer;

// Reads from the store and stages inserts until save(). Reads see saved rows only. A context
// may outlive its container: every use after that fails as a closed store.
// Methods are virtual so tests can put a failing store in front of the callers.
class ModelContext : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A context belongs to its store")
public:
    using FetchCompletion = std::function<void(Expected<EarthquakeList>)>;

    explicit ModelContext(ModelContainer *container, QObject *parent = nullptr);

    // Null once the container is gone.
    ModelContainer *container() const;

    void insert(const EarthquakePtr &earthquake);
    bool hasChanges() const { return !m_inserted.isEmpty(); }
    const EarthquakeList &insertedModels() const { return m_inserted; }

    virtual Expected<EarthquakeList> fetch(const FetchDescriptor &descriptor) const;
    virtual Expected<qint64> fetchCount(const FetchDescriptor &descriptor) const;
    // Which of the given identifiers are stored: the cost follows the list, not the store.
    virtual Expected<QSet<QString>> fetchStoredEventIDs(const QStringList &eventIDs) const;
    // Every stored identifier.
    virtual Expected<QSet<QString>> fetchAllEventIDs() const;
    // Only the dates (milliseconds UTC) of the matching rows, in the descriptor's order.
    virtual Expected<QList<qint64>> fetchDates(const FetchDescriptor &descriptor) const;
    // The rows with these row ids, in row id order; ids that name no row are left out.
    virtual Expected<EarthquakeList> fetchRows(const QList<qint64> &rowIds) const;

    // Writes every staged insert in one transaction, on this thread. On failure nothing is
    // written and the staged objects are dropped, so a later attempt starts clean.
    virtual Expected<void> save();
    void rollback();

    // Stores, in one transaction, those events whose eventID the store does not hold yet (of
    // twins in the list, the first). `candidates` makes them, in their order, and is called
    // once on the store's writer thread, where the lookup of stored identifiers, the inserts and
    // the commit run too: this thread never waits on the store. Back on this thread after the
    // commit come the container's and this context's didSave (when something was stored), then
    // `done`, while `receiver` lives, with the stored events (stored identities set) in their
    // order, or the error, in which case nothing was written. Nothing is staged in this
    // context, and the write runs to its end whoever is gone meanwhile.
    virtual void saveNew(std::function<EarthquakeList()> candidates, QObject *receiver, FetchCompletion done);
    // The fetch, read on the writer thread after the writes handed over before it; `done` runs
    // on this thread while `receiver` lives.
    virtual void fetchInBackground(const FetchDescriptor &descriptor, QObject *receiver, FetchCompletion done);

signals:
    void didSave();

private:
    Expected<QSqlDatabase> database() const;
    void failLater(QObject *receiver, FetchCompletion done);

    QPointer<ModelContainer> m_container;
    EarthquakeList m_inserted;
};
