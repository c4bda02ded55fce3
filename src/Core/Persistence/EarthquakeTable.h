#pragma once

#include "Models/Earthquake.h"
#include "Persistence/FetchDescriptor.h"
#include "Platform/Error.h"

#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QStringList>

// The statements on the table Earthquake, on whichever connection is given: the main thread's
// (ModelContext) or the store writer's (StoreWriter). A connection is used only on the thread
// that opened it, so each caller passes its own.
namespace EarthquakeTable {

Expected<EarthquakeList> fetch(const QSqlDatabase &db, const FetchDescriptor &descriptor);
Expected<qint64> count(const QSqlDatabase &db, const FetchDescriptor &descriptor);
// Which of the given identifiers are stored: the cost follows the list, not the store.
Expected<QSet<QString>> storedEventIDs(const QSqlDatabase &db, const QStringList &eventIDs);
Expected<QSet<QString>> allEventIDs(const QSqlDatabase &db);
Expected<QList<qint64>> dates(const QSqlDatabase &db, const FetchDescriptor &descriptor);
Expected<EarthquakeList> rows(const QSqlDatabase &db, const QList<qint64> &rowIds);

// Inserts the events in one transaction and returns the row ids it added. An event whose
// eventID is stored already becomes the stored row (its identity) and adds nothing. On failure
// the transaction is rolled back and the events keep the temporary identities they had.
Expected<QList<qint64>> insert(QSqlDatabase &db, const EarthquakeList &events);

}  // namespace EarthquakeTable
