#include "EarthquakeTable.h"

#include "Persistence/StoreError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

// Fills records from result rows; a friend of Earthquake so the store sets the identity.
class EarthquakeRowReader {
public:
    static EarthquakePtr read(const QSqlQuery &q)
    {
        EarthquakePtr e(new Earthquake(Earthquake::StoredTag{}, q.value(0).toLongLong()));
        e->m_eventID = q.value(1).toString();
        e->m_dateMs = q.value(2).toLongLong();
        e->m_latitude = q.value(3).toDouble();
        e->m_longitude = q.value(4).toDouble();
        e->m_depth = q.value(5).toDouble();
        e->m_magnitude = q.value(6).toDouble();
        e->m_magnitudeType = q.value(7).toString();
        const QVariant intensity = q.value(8);
        if (!intensity.isNull())
            e->m_maxIntensity = intensity.toString();
        e->m_location = q.value(9).toString();
        if (e->m_location.isNull())
            e->m_location = QString(QLatin1String(""));
        e->m_fetchedAtMs = q.value(10).toLongLong();
        return e;
    }
    static void setId(Earthquake &e, qint64 id) { e.m_id = PersistentIdentifier{id}; }
};

namespace {

// The WHERE, ORDER BY and LIMIT parts of a descriptor, with their bound values in order.
struct SqlParts {
    QString where;
    QString order;
    QString limit;
    QVariantList values;
};

SqlParts sqlFor(const FetchDescriptor &d, bool withOrderAndLimit)
{
    SqlParts parts;
    QStringList conditions;
    // A cursor bounds the date on its side of the order: (date, eventID) < (c, id) implies
    // date <= c. A date bound that the cursor already implies is left out, or SQLite walks the
    // bound's range from its end instead of the index from the cursor.
    const bool cursor = d.after && d.sortByDate != SortOrder::None;
    const bool fromImplied = cursor && d.sortByDate == SortOrder::Forward && d.dateFrom
                             && d.after->dateMs >= d.dateFrom->toMSecsSinceEpoch();
    const bool toImplied = cursor && d.sortByDate == SortOrder::Reverse && d.dateTo
                           && (d.dateToInclusive ? d.after->dateMs <= d.dateTo->toMSecsSinceEpoch()
                                                 : d.after->dateMs < d.dateTo->toMSecsSinceEpoch());
    if (d.dateFrom && !fromImplied) {
        conditions << QStringLiteral("date >= ?");
        parts.values << d.dateFrom->toMSecsSinceEpoch();
    }
    if (d.dateTo && !toImplied) {
        conditions << (d.dateToInclusive ? QStringLiteral("date <= ?") : QStringLiteral("date < ?"));
        parts.values << d.dateTo->toMSecsSinceEpoch();
    }
    if (cursor) {
        // Row-value comparison walks the (date, eventID) index from the cursor on.
        conditions << (d.sortByDate == SortOrder::Reverse ? QStringLiteral("(date, eventID) < (?, ?)")
                                                          : QStringLiteral("(date, eventID) > (?, ?)"));
        parts.values << d.after->dateMs << d.after->eventID;
    }
    if (!conditions.isEmpty())
        parts.where = QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    if (!withOrderAndLimit)
        return parts;
    if (d.sortByDate == SortOrder::Reverse)
        parts.order = QStringLiteral(" ORDER BY date DESC, eventID DESC");
    else if (d.sortByDate == SortOrder::Forward)
        parts.order = QStringLiteral(" ORDER BY date ASC, eventID ASC");
    if (d.fetchLimit || d.fetchOffset > 0) {
        parts.limit = QStringLiteral(" LIMIT %1 OFFSET %2")
                          .arg(d.fetchLimit ? qMax(0, *d.fetchLimit) : -1)
                          .arg(qMax(0, d.fetchOffset));
    }
    return parts;
}

bool run(QSqlQuery &q, const QString &sql, const QVariantList &values)
{
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        return false;
    for (qsizetype i = 0; i < values.size(); ++i)
        q.bindValue(int(i), values.at(i));
    return q.exec();
}

}  // namespace

namespace EarthquakeTable {

Expected<EarthquakeList> fetch(const QSqlDatabase &db, const FetchDescriptor &descriptor)
{
    QSqlQuery q(db);
    const SqlParts parts = sqlFor(descriptor, true);
    const QString sql = QStringLiteral("SELECT rowid, eventID, date, latitude, longitude, depth, magnitude, "
                                       "magnitudeType, maxIntensity, location, fetchedAt FROM Earthquake")
                        + parts.where + parts.order + parts.limit;
    if (!run(q, sql, parts.values))
        return storeError(q.lastError());
    EarthquakeList result;
    if (descriptor.fetchLimit)
        result.reserve(qMax(0, *descriptor.fetchLimit));
    while (q.next())
        result.append(EarthquakeRowReader::read(q));
    if (q.lastError().isValid())
        return storeError(q.lastError());
    return result;
}

Expected<qint64> count(const QSqlDatabase &db, const FetchDescriptor &descriptor)
{
    QSqlQuery q(db);
    const SqlParts parts = sqlFor(descriptor, false);
    QString sql = QStringLiteral("SELECT count(*) FROM Earthquake") + parts.where;
    if (descriptor.fetchLimit || descriptor.fetchOffset > 0) {
        const SqlParts limited = sqlFor(descriptor, true);
        sql = QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM Earthquake") + limited.where + limited.limit
              + QStringLiteral(")");
    }
    if (!run(q, sql, parts.values) || !q.next())
        return storeError(q.lastError());
    return q.value(0).toLongLong();
}

Expected<QSet<QString>> storedEventIDs(const QSqlDatabase &db, const QStringList &eventIDs)
{
    QSet<QString> found;
    if (eventIDs.isEmpty())
        return found;
    // One query for the whole list: the identifiers travel as one JSON array parameter.
    const QByteArray list = QJsonDocument(QJsonArray::fromStringList(eventIDs)).toJson(QJsonDocument::Compact);
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("SELECT eventID FROM Earthquake WHERE eventID IN (SELECT value FROM json_each(?))"),
             {QString::fromUtf8(list)}))
        return storeError(q.lastError());
    while (q.next())
        found.insert(q.value(0).toString());
    if (q.lastError().isValid())
        return storeError(q.lastError());
    return found;
}

Expected<QSet<QString>> allEventIDs(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("SELECT eventID FROM Earthquake"), {}))
        return storeError(q.lastError());
    QSet<QString> ids;
    while (q.next())
        ids.insert(q.value(0).toString());
    if (q.lastError().isValid())
        return storeError(q.lastError());
    return ids;
}

Expected<QList<qint64>> dates(const QSqlDatabase &db, const FetchDescriptor &descriptor)
{
    QSqlQuery q(db);
    const SqlParts parts = sqlFor(descriptor, true);
    if (!run(q, QStringLiteral("SELECT date FROM Earthquake") + parts.where + parts.order + parts.limit, parts.values))
        return storeError(q.lastError());
    QList<qint64> dates;
    while (q.next())
        dates.append(q.value(0).toLongLong());
    if (q.lastError().isValid())
        return storeError(q.lastError());
    return dates;
}

Expected<EarthquakeList> rows(const QSqlDatabase &db, const QList<qint64> &rowIds)
{
    EarthquakeList result;
    if (rowIds.isEmpty())
        return result;
    QJsonArray ids;
    for (qint64 id : rowIds)
        ids.append(id);
    QSqlQuery q(db);
    if (!run(q,
             QStringLiteral("SELECT rowid, eventID, date, latitude, longitude, depth, magnitude, magnitudeType, "
                            "maxIntensity, location, fetchedAt FROM Earthquake "
                            "WHERE rowid IN (SELECT value FROM json_each(?)) ORDER BY rowid"),
             {QString::fromUtf8(QJsonDocument(ids).toJson(QJsonDocument::Compact))}))
        return storeError(q.lastError());
    while (q.next())
        result.append(EarthquakeRowReader::read(q));
    if (q.lastError().isValid())
        return storeError(q.lastError());
    return result;
}

Expected<QList<qint64>> insert(QSqlDatabase &db, const EarthquakeList &events)
{
    QList<qint64> temporaryIds;
    temporaryIds.reserve(events.size());
    for (const EarthquakePtr &e : events)
        temporaryIds.append(e->id().value);
    auto failWith = [&](const QSqlError &e) -> Expected<QList<qint64>> {
        const Error error = storeError(e);
        db.rollback();
        // Rolled back: these objects are in no store, so they keep no stored identity.
        for (qsizetype i = 0; i < events.size(); ++i)
            EarthquakeRowReader::setId(*events.at(i), temporaryIds.at(i));
        return error;
    };

    if (!db.transaction())
        return failWith(db.lastError());
    QSqlQuery insert(db);
    if (!insert.prepare(QStringLiteral(
            "INSERT INTO Earthquake (eventID, date, latitude, longitude, depth, magnitude, magnitudeType, "
            "maxIntensity, location, fetchedAt) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
            "ON CONFLICT(eventID) DO NOTHING")))
        return failWith(insert.lastError());
    QSqlQuery existing(db);
    QList<qint64> added;
    for (const EarthquakePtr &e : events) {
        insert.bindValue(0, e->eventID());
        insert.bindValue(1, e->dateMs());
        insert.bindValue(2, e->latitude());
        insert.bindValue(3, e->longitude());
        insert.bindValue(4, e->depth());
        insert.bindValue(5, e->magnitude());
        insert.bindValue(6, e->magnitudeType());
        insert.bindValue(7, e->maxIntensity() ? QVariant(*e->maxIntensity()) : QVariant(QMetaType(QMetaType::QString)));
        insert.bindValue(8, e->location().isNull() ? QString(QLatin1String("")) : e->location());
        insert.bindValue(9, e->fetchedAtMs());
        if (!insert.exec())
            return failWith(insert.lastError());
        if (insert.numRowsAffected() == 1) {
            added.append(insert.lastInsertId().toLongLong());
            EarthquakeRowReader::setId(*e, added.constLast());
        } else {
            // Same eventID already stored: the stored row stands and this object becomes it.
            if (!run(existing, QStringLiteral("SELECT rowid FROM Earthquake WHERE eventID = ?"), {e->eventID()})
                || !existing.next())
                return failWith(existing.lastError());
            EarthquakeRowReader::setId(*e, existing.value(0).toLongLong());
            existing.finish();
        }
    }
    if (!db.commit())
        return failWith(db.lastError());
    return added;
}

}  // namespace EarthquakeTable
