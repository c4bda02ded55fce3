#pragma once

#include "Models/Earthquake.h"
#include "Persistence/FetchDescriptor.h"
#include "Platform/Error.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

class ModelContainer;

// Reads from the store and stages inserts until save(). Reads see saved rows only.
// Methods are virtual so tests can put a failing store in front of the callers.
class ModelContext : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A context belongs to its store")
public:
    explicit ModelContext(ModelContainer *container, QObject *parent = nullptr);

    ModelContainer *container() const { return m_container; }

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

    // Writes every staged insert in one transaction. On failure nothing is written and the
    // staged objects are dropped, so a later attempt starts clean.
    virtual Expected<void> save();
    void rollback();

signals:
    void didSave();

private:
    ModelContainer *m_container;
    EarthquakeList m_inserted;
};
