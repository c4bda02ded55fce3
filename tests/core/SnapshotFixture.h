#pragma once

// What the snapshot's tests share: stores in a temporary folder, events to save, another
// program's connection to the store file, and the comparison of the snapshot with a fetch.

#include "Persistence/EarthquakeSnapshot.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include "TestWait.h"

#include <cmath>
#include <cstring>

inline const qint64 kBaseMs = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();

inline EarthquakePtr quake(const QString &id, qint64 dateMs, double magnitude, const QString &location,
                           double latitude = 28.1, double longitude = -16.4, double depth = 10)
{
    return std::make_shared<Earthquake>(id, QDateTime::fromMSecsSinceEpoch(dateMs, Qt::UTC), latitude, longitude,
                                        depth, magnitude, QStringLiteral("mbLg"), std::nullopt, location,
                                        QDateTime::fromMSecsSinceEpoch(kBaseMs, Qt::UTC));
}

inline EarthquakePtr quake(const char *id, qint64 dateMs, double magnitude = 2.0, const char *location = "TENERIFE")
{
    return quake(QString::fromUtf8(id), dateMs, magnitude, QString::fromUtf8(location));
}

// Equal bits, so that -0.0, infinities and NaN count.
inline bool same(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

// The first difference between the snapshot and a fetch of every row, newest first; empty when equal.
inline QString differenceFromFetch(ModelContainer &store)
{
    FetchDescriptor all;
    all.sortByDate = SortOrder::Reverse;
    const auto fetched = store.mainContext()->fetch(all);
    if (!fetched)
        return QStringLiteral("fetch failed: ") + fetched.error().description;
    EarthquakeSnapshot *snapshot = store.snapshot();
    const auto &rows = snapshot->rows();
    if (rows.size() != size_t(fetched->size()))
        return QStringLiteral("%1 rows, fetch has %2").arg(rows.size()).arg(fetched->size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto &row = rows[i];
        const Earthquake &e = *fetched->at(qsizetype(i));
        if (row.rowId != e.id().value || row.dateMs != e.dateMs() || !same(row.latitude, e.latitude())
            || !same(row.longitude, e.longitude()) || !same(row.depth, e.depth())
            || !same(row.magnitude, e.magnitude()) || snapshot->placeName(row.place) != e.location()) {
            return QStringLiteral("row %1: snapshot (%2, %3, %4, %5, %6, %7, '%8') fetch (%9 %10, %11, ...)")
                .arg(i)
                .arg(row.rowId)
                .arg(row.dateMs)
                .arg(row.latitude)
                .arg(row.longitude)
                .arg(row.depth)
                .arg(row.magnitude)
                .arg(snapshot->placeName(row.place).left(40))
                .arg(e.id().value)
                .arg(e.eventID())
                .arg(e.dateMs());
        }
    }
    return {};
}

#define VERIFY_EQUALS_FETCH(store)                                   \
    do {                                                             \
        const QString difference = differenceFromFetch(store);       \
        QVERIFY2(difference.isEmpty(), qPrintable(difference));      \
    } while (false)

// Events with few distinct dates, so that most share theirs, and identifiers whose order
// differs from the order of insertion.
inline EarthquakeList generated(int count, quint32 seed)
{
    QRandomGenerator rng(seed);
    EarthquakeList list;
    for (int i = 0; i < count; ++i) {
        const qint64 date = kBaseMs - qint64(rng.bounded(400)) * 60000;
        const QString id = QStringLiteral("es%1-%2").arg(rng.bounded(1000000)).arg(i);
        list << quake(id, date, rng.bounded(50) / 10.0, QStringLiteral("PLACE %1").arg(rng.bounded(30)),
                      27.6 + rng.generateDouble() * 1.8, -18.2 + rng.generateDouble() * 4.8, rng.bounded(400) / 10.0);
    }
    return list;
}

inline bool exec(ModelContainer &store, const QString &sql)
{
    QSqlQuery q(store.database());
    if (!q.exec(sql)) {
        qWarning() << sql << q.lastError().text();
        return false;
    }
    return true;
}
inline bool exec(ModelContainer &store, const char *sql) { return exec(store, QString::fromUtf8(sql)); }

// Every read the snapshot started has ended and been announced.
inline bool settled(EarthquakeSnapshot *snapshot)
{
    return QTest::qWaitFor([snapshot] { return !snapshot->isBusy(); }, TestWait::bound);
}

// Another program's connection to the store file.
struct ForeignWriter {
    QString name;
    explicit ForeignWriter(const QString &path)
        : name(QStringLiteral("foreign-%1").arg(quintptr(this)))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        db.open();
    }
    ~ForeignWriter() { QSqlDatabase::removeDatabase(name); }
    bool exec(const QString &sql) const
    {
        QSqlQuery q(QSqlDatabase::database(name));
        if (!q.exec(sql)) {
            qWarning() << sql << q.lastError().text();
            return false;
        }
        return true;
    }
    // `count` events after `first`, dated from `dateMs` on; returns their row ids.
    QList<qint64> insert(int first, int count, qint64 dateMs) const
    {
        QList<qint64> ids;
        QSqlQuery q(QSqlDatabase::database(name));
        q.prepare(QStringLiteral("INSERT INTO Earthquake (eventID, date, latitude, longitude, depth, magnitude, "
                                 "magnitudeType, location, fetchedAt) VALUES (?, ?, 28.2, -16.1, 9, 2.5, 'mb', ?, 0)"));
        for (int i = first; i < first + count; ++i) {
            q.bindValue(0, QStringLiteral("foreign-%1").arg(i));
            q.bindValue(1, dateMs + i);
            q.bindValue(2, QStringLiteral("FOREIGN %1").arg(i % 3));
            if (!q.exec())
                return {};
            ids << q.lastInsertId().toLongLong();
        }
        return ids;
    }
};

// Stores in a temporary folder, a file of their own each.
class StoreFiles {
public:
    std::unique_ptr<ModelContainer> open(bool inMemory = false)
    {
        const QString path = m_dir.filePath(QStringLiteral("store%1.sqlite").arg(++m_files));
        auto opened = ModelContainer::open({path, inMemory});
        return opened ? std::move(*opened) : nullptr;
    }

private:
    QTemporaryDir m_dir;
    int m_files = 0;
};

inline bool save(ModelContainer &store, const EarthquakeList &events)
{
    for (const auto &e : events)
        store.mainContext()->insert(e);
    return bool(store.mainContext()->save());
}
