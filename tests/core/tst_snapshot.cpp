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

namespace {

const qint64 kBaseMs = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();

EarthquakePtr quake(const QString &id, qint64 dateMs, double magnitude, const QString &location,
                    double latitude = 28.1, double longitude = -16.4, double depth = 10)
{
    return std::make_shared<Earthquake>(id, QDateTime::fromMSecsSinceEpoch(dateMs, Qt::UTC), latitude, longitude,
                                        depth, magnitude, QStringLiteral("mbLg"), std::nullopt, location,
                                        QDateTime::fromMSecsSinceEpoch(kBaseMs, Qt::UTC));
}

EarthquakePtr quake(const char *id, qint64 dateMs, double magnitude = 2.0, const char *location = "TENERIFE")
{
    return quake(QString::fromUtf8(id), dateMs, magnitude, QString::fromUtf8(location));
}

// Equal bits, so that -0.0, infinities and NaN count.
bool same(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

// The first difference between the snapshot and a fetch of every row, newest first; empty when equal.
QString differenceFromFetch(ModelContainer &store)
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
EarthquakeList generated(int count, quint32 seed)
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

bool exec(ModelContainer &store, const QString &sql);
bool exec(ModelContainer &store, const char *sql) { return exec(store, QString::fromUtf8(sql)); }
bool exec(ModelContainer &store, const QString &sql)
{
    QSqlQuery q(store.database());
    if (!q.exec(sql)) {
        qWarning() << sql << q.lastError().text();
        return false;
    }
    return true;
}

// Every read the snapshot started has ended and been announced.
bool settled(EarthquakeSnapshot *snapshot)
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

}  // namespace

class TestSnapshot : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_files = 0;

    std::unique_ptr<ModelContainer> open(bool inMemory = false)
    {
        const QString path = m_dir.filePath(QStringLiteral("store%1.sqlite").arg(++m_files));
        auto opened = ModelContainer::open({path, inMemory});
        return opened ? std::move(*opened) : nullptr;
    }

    static bool save(ModelContainer &store, const EarthquakeList &events)
    {
        for (const auto &e : events)
            store.mainContext()->insert(e);
        return bool(store.mainContext()->save());
    }

private slots:
    void madeOnFirstUseAndShared()
    {
        auto store = open();
        QVERIFY(store);
        QVERIFY(!store->findChild<EarthquakeSnapshot *>());  // nothing read at start
        EarthquakeSnapshot *snapshot = store->snapshot();
        QCOMPARE(store->snapshot(), snapshot);
        QVERIFY(!snapshot->isLoaded());
        QVERIFY(snapshot->rows().empty());
        QVERIFY(snapshot->isLoaded());
    }

    void didSaveCarriesTheAddedRows()
    {
        auto store = open();
        QVERIFY(save(*store, {quake("a", kBaseMs)}));
        QSignalSpy saved(store.get(), &ModelContainer::didSave);
        int plainCalls = 0;
        connect(store.get(), &ModelContainer::didSave, this, [&] { ++plainCalls; });
        auto fresh = quake("b", kBaseMs + 1);
        QVERIFY(save(*store, {quake("a", kBaseMs), fresh}));
        QCOMPARE(saved.count(), 1);
        QCOMPARE(saved.at(0).at(0).value<QList<qint64>>(), QList<qint64>{fresh->id().value});
        QVERIFY(save(*store, {quake("b", kBaseMs)}));  // conflicts only: saved, nothing added
        QCOMPARE(saved.count(), 2);
        QVERIFY(saved.at(1).at(0).value<QList<qint64>>().isEmpty());
        QCOMPARE(plainCalls, 2);
    }

    // A second context on the same store (the background refresh has one) is followed too.
    void followsEveryContextOfTheStore()
    {
        auto store = open();
        QVERIFY(save(*store, generated(100, 21)));
        EarthquakeSnapshot *snapshot = store->snapshot();
        QCOMPARE(snapshot->rows().size(), size_t(100));
        QSignalSpy changed(snapshot, &EarthquakeSnapshot::changed);
        ModelContext other(store.get());
        other.insert(quake("other-1", kBaseMs + 1));
        QVERIFY(other.save());
        QVERIFY(changed.wait(TestWait::bound));
        QVERIFY(settled(snapshot));
        QCOMPARE(changed.count(), 1);
        VERIFY_EQUALS_FETCH(*store);
    }

    void loadEqualsFetch_data()
    {
        QTest::addColumn<bool>("inMemory");
        QTest::addColumn<int>("threads");
        QTest::newRow("file, one connection") << false << 1;
        QTest::newRow("file, four connections") << false << 4;
        QTest::newRow("memory") << true << 4;
    }

    void loadEqualsFetch()
    {
        QFETCH(bool, inMemory);
        QFETCH(int, threads);
        auto store = open(inMemory);
        QVERIFY(save(*store, generated(10000, 7)));
        store->snapshot()->setReaderThreads(threads, 1000);
        VERIFY_EQUALS_FETCH(*store);
        QCOMPARE(store->snapshot()->placeCount(), 30u);
    }

    // Each kind of save, one after the other on one store: the snapshot merges what each added.
    void everySaveKeepsItEqual()
    {
        auto store = open();
        QVERIFY(save(*store, generated(10000, 11)));
        EarthquakeSnapshot *snapshot = store->snapshot();
        snapshot->setReaderThreads(4, 1000);
        VERIFY_EQUALS_FETCH(*store);
        QSignalSpy changed(snapshot, &EarthquakeSnapshot::changed);
        const int loads = snapshot->loadCount();

        // Newest rows.
        QVERIFY(save(*store, {quake("new-1", kBaseMs + 60000), quake("new-2", kBaseMs + 120000, 3.1, "NEW PLACE")}));
        QVERIFY(settled(snapshot));
        QCOMPARE(changed.count(), 1);
        VERIFY_EQUALS_FETCH(*store);

        // Older than every stored row, and between stored rows.
        QVERIFY(save(*store, {quake("old-1", kBaseMs - 10LL * 86400000), quake("mid-1", kBaseMs - 90 * 60000 - 1)}));
        QVERIFY(settled(snapshot));
        QCOMPARE(changed.count(), 2);
        VERIFY_EQUALS_FETCH(*store);

        // At dates already stored, identifiers on both sides of the stored ones, and two at once.
        const qint64 shared = snapshot->rows()[500].dateMs;
        QVERIFY(save(*store, {quake("es0000", shared), quake("zz-last", shared), quake("es5", shared),
                              quake("zz-newest", kBaseMs + 120000)}));
        QVERIFY(settled(snapshot));
        QCOMPARE(changed.count(), 3);
        VERIFY_EQUALS_FETCH(*store);

        // Conflicts only: saved, nothing added, no change.
        QVERIFY(save(*store, {quake("new-1", kBaseMs), quake("old-1", kBaseMs)}));
        QVERIFY(settled(snapshot));
        QCOMPARE(changed.count(), 3);
        VERIFY_EQUALS_FETCH(*store);

        // A failed save writes nothing and changes nothing.
        QVERIFY(exec(*store, "CREATE TRIGGER refuse BEFORE INSERT ON Earthquake WHEN NEW.eventID = 'bad' "
                             "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        QVERIFY(!save(*store, {quake("good", kBaseMs + 5), quake("bad", kBaseMs + 6)}));
        QVERIFY(settled(snapshot));
        QCOMPARE(changed.count(), 3);
        VERIFY_EQUALS_FETCH(*store);

        // A staged NaN magnitude is stored as NULL and reads back as 0.
        auto nan = quake("nan", kBaseMs + 300000, std::nan(""));
        QVERIFY(save(*store, {nan}));
        QVERIFY(settled(snapshot));
        QCOMPARE(changed.count(), 4);
        VERIFY_EQUALS_FETCH(*store);
        QCOMPARE(snapshot->rows().front().rowId, nan->id().value);
        QCOMPARE(snapshot->rows().front().magnitude, 0.0);
        QCOMPARE(snapshot->loadCount(), loads);  // merged every time, never read afresh
    }

    void savesBeforeLoadingAreReadByTheLoad()
    {
        auto store = open();
        EarthquakeSnapshot *snapshot = store->snapshot();
        QSignalSpy changed(snapshot, &EarthquakeSnapshot::changed);
        QSignalSpy loaded(snapshot, &EarthquakeSnapshot::loadedChanged);
        QVERIFY(save(*store, generated(50, 3)));
        QVERIFY(!snapshot->isBusy());  // nothing to merge into
        QVERIFY(!snapshot->isLoaded());
        snapshot->startLoading();
        QVERIFY(!snapshot->isLoaded());  // in the background
        QVERIFY(loaded.wait(TestWait::bound));
        QCOMPARE(changed.count(), 1);
        VERIFY_EQUALS_FETCH(*store);
    }

    // A save while the load reads: its rows are in the load or merged after it, never twice.
    void saveWhileLoading()
    {
        auto store = open();
        QVERIFY(save(*store, generated(3000, 4)));
        EarthquakeSnapshot *snapshot = store->snapshot();
        snapshot->setReaderThreads(4, 500);
        snapshot->startLoading();
        QVERIFY(save(*store, generated(40, 8)));
        QVERIFY(settled(snapshot));
        VERIFY_EQUALS_FETCH(*store);
        QCOMPARE(snapshot->loadCount(), 1);
    }

    // A reader of didSave that is called before the snapshot and loads it: the rows of that save
    // are in the load and must not be merged a second time.
    void loadDuringTheSaveSignalMergesNothingTwice()
    {
        auto store = open();
        QVERIFY(save(*store, generated(30, 5)));
        connect(store.get(), &ModelContainer::didSave, this, [&store] { store->snapshot()->rows(); });
        EarthquakeSnapshot *snapshot = store->snapshot();
        QSignalSpy changed(snapshot, &EarthquakeSnapshot::changed);
        QVERIFY(save(*store, generated(20, 6)));
        QCOMPARE(snapshot->rows().size(), size_t(50));
        QCOMPARE(changed.count(), 1);
        VERIFY_EQUALS_FETCH(*store);
    }

    void failedReadLeavesItUnloaded()
    {
        auto store = open();
        QVERIFY(save(*store, generated(100, 13)));
        // Called before the snapshot's own handler: hides the table when asked to.
        bool hideOnSave = false;
        connect(store.get(), &ModelContainer::didSave, this, [&] {
            if (hideOnSave)
                QVERIFY(exec(*store, "ALTER TABLE Earthquake RENAME TO Hidden"));
        });
        EarthquakeSnapshot *snapshot = store->snapshot();
        QVERIFY(exec(*store, "ALTER TABLE Earthquake RENAME TO Hidden"));
        QVERIFY(snapshot->rows().empty());
        QVERIFY(!snapshot->isLoaded());
        QVERIFY(exec(*store, "ALTER TABLE Hidden RENAME TO Earthquake"));
        QCOMPARE(snapshot->rows().size(), size_t(100));
        QVERIFY(snapshot->isLoaded());

        // The merge cannot read the saved rows: unloaded, never short, readers told to read again.
        QSignalSpy changed(snapshot, &EarthquakeSnapshot::changed);
        hideOnSave = true;
        QVERIFY(save(*store, {quake("late", kBaseMs + 1)}));
        hideOnSave = false;
        QVERIFY(settled(snapshot));
        QCOMPARE(changed.count(), 1);
        QVERIFY(!snapshot->isLoaded());
        QVERIFY(exec(*store, "ALTER TABLE Hidden RENAME TO Earthquake"));
        VERIFY_EQUALS_FETCH(*store);
        QCOMPARE(snapshot->rows().size(), size_t(101));
    }

    // A store written by another program: values of other types, some of which SQLite orders
    // by rules of its own.
    void foreignValuesReadAsFetchReadsThem_data()
    {
        QTest::addColumn<QString>("values");
        const auto row = [](const char *name, const char *values) {
            QTest::newRow(name) << QString::fromUtf8(values);
        };
        row("text date", "('f1', 'yesterday', 28.0, -16.5, 10, 2, 'x', 'A', 0)");
        row("null date", "('f1', NULL, 28.0, -16.5, 10, 2, 'x', 'A', 0)");
        row("real date", "('f1', 1772366400000.5, 28.0, -16.5, 10, 2, 'x', 'A', 0)");
        row("infinite and huge dates", "('f1', 9e999, 28.0, -16.5, 10, 2, 'x', 'A', 0), "
                                       "('f2', -9e999, 28.0, -16.5, 10, 2, 'x', 'A', 0), "
                                       "('f3', 1e300, 28.0, -16.5, 10, 2, 'x', 'A', 0)");
        row("blob date", "('f1', x'31', 28.0, -16.5, 10, 2, 'x', 'A', 0)");
        row("blob eventID", "(x'0102', 1772366399999, 28.0, -16.5, 10, 2, 'x', 'A', 0)");
        row("blob eventID at a shared date", "(x'0102', 1772366400000, 28.0, -16.5, 10, 2, 'x', 'A', 0)");
        row("text in number columns", "('f1', 5, 'north', ' 12.5 ', 'deep', 'strong', 'x', 'A', 0)");
        row("infinite and null numbers", "('f1', 5, 9e999, -9e999, NULL, NULL, 'x', 'A', 0)");
        row("blob numbers", "('f1', 5, x'32', x'2d31362e35', x'', x'00', 'x', 'A', 0)");
        row("names of other types", "('f1', 5, 28, -16, 1, 2, 'x', NULL, 0), ('f2', 6, 28, -16, 1, 2, 'x', 12, 0), "
                                    "('f3', 7, 28, -16, 1, 2, 'x', 1.5, 0), ('f4', 8, 28, -16, 1, 2, 'x', x'4142', 0)");
        row("malformed and empty names", "('f1', 5, 28, -16, 1, 2, 'x', CAST(x'ff41c3' AS TEXT), 0), "
                                         "('f2', 6, 28, -16, 1, 2, 'x', CAST(x'fe41c3' AS TEXT), 0), "
                                         "('f3', 7, 28, -16, 1, 2, 'x', '', 0)");
        // Row ids are given by position here: the first value is the rowid.
        QTest::newRow("far apart row ids") << QStringLiteral("(-9223372036854775807, 'f2', 6, 28, -16, 1, 2, 'x', 'A', 0), "
                                                             "(9223372036854775806, 'f3', 7, 28, -16, 1, 2, 'x', 'A', 0), "
                                                             "(-5, 'f4', 8, 28, -16, 1, 2, 'x', 'A', 0)");
        row("long name", "('f1', 5, 28, -16, 1, 2, 'x', printf('%.*c', 200000, 'x'), 0)");
    }

    void foreignValuesReadAsFetchReadsThem()
    {
        QFETCH(QString, values);
        auto store = open();
        QVERIFY(save(*store, generated(200, 17)));
        const bool withRowIds = QByteArray(QTest::currentDataTag()).startsWith("far apart");
        QVERIFY(exec(*store, QStringLiteral("INSERT INTO Earthquake (%1eventID, date, latitude, longitude, depth, "
                                            "magnitude, magnitudeType, location, fetchedAt) VALUES ")
                                     .arg(withRowIds ? QStringLiteral("rowid, ") : QString())
                                 + values));
        VERIFY_EQUALS_FETCH(*store);
        QSignalSpy changed(store->snapshot(), &EarthquakeSnapshot::changed);
        QVERIFY(save(*store, {quake("after", kBaseMs - 5), quake("t0", 1772366400000), quake("z9", 4)}));
        QVERIFY(settled(store->snapshot()));
        QCOMPARE(changed.count(), 1);
        VERIFY_EQUALS_FETCH(*store);
    }

    void recordReadsTheStoredEvent()
    {
        auto store = open();
        auto stored = quake("es1", kBaseMs, 3.4, "N TENERIFE");
        QVERIFY(save(*store, {stored, quake("es2", kBaseMs - 1)}));
        EarthquakeSnapshot *snapshot = store->snapshot();
        const auto record = snapshot->record(snapshot->rows().front());
        QVERIFY(record);
        QCOMPARE(record->eventID(), QStringLiteral("es1"));
        QCOMPARE(record->id(), stored->id());
        QCOMPARE(record->location(), QStringLiteral("N TENERIFE"));
        EarthquakeSnapshot::Row missing = snapshot->rows().front();
        missing.rowId = 999999;
        QVERIFY(!snapshot->record(missing));
    }

    // Another program writes the store file: the check notices, and what it changed is brought
    // in, new rows merged, anything else read afresh.
    void followsAnotherWriter_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("merged");
        QTest::newRow("rows added") << "insert" << true;
        QTest::newRow("rows deleted") << "DELETE FROM Earthquake WHERE rowid % 7 = 0" << false;
        QTest::newRow("newest row deleted") << "DELETE FROM Earthquake WHERE rowid = (SELECT max(rowid) FROM Earthquake)"
                                            << false;
        QTest::newRow("a known row rewritten") << "UPDATE Earthquake SET magnitude = 5.5 WHERE rowid = 10" << false;
        QTest::newRow("one deleted, one added") << "DELETE FROM Earthquake WHERE rowid = 3; insert" << false;
        QTest::newRow("newest row given again") << "DELETE FROM Earthquake WHERE rowid = (SELECT max(rowid) FROM "
                                                   "Earthquake); insert" << false;
    }

    void followsAnotherWriter()
    {
        QFETCH(QString, change);
        QFETCH(bool, merged);
        auto store = open();
        QVERIFY(save(*store, generated(2000, 23)));
        EarthquakeSnapshot *snapshot = store->snapshot();
        QVERIFY(snapshot->waitForLoaded());
        snapshot->checkForChanges();  // nothing changed: nothing read
        QVERIFY(!snapshot->isBusy());
        const int loads = snapshot->loadCount();
        QSignalSpy changed(snapshot, &EarthquakeSnapshot::changed);

        ForeignWriter writer(store->configuration().filePath);
        for (const QString &statement : change.split(QStringLiteral("; "))) {
            if (statement == QLatin1String("insert"))
                QCOMPARE(writer.insert(0, 50, kBaseMs - 3000).size(), 50);
            else
                QVERIFY(writer.exec(statement));
        }
        snapshot->checkForChanges();
        QVERIFY(settled(snapshot));
        QCOMPARE(changed.count(), 1);
        VERIFY_EQUALS_FETCH(*store);
        QCOMPARE(snapshot->loadCount(), merged ? loads : loads + 1);
        snapshot->checkForChanges();
        QVERIFY(!snapshot->isBusy());
    }

    // Own saves move to a writer connection of their own, announced after the commit: the
    // snapshot then sees its own commits as changes too. Merged once, they read nothing afresh;
    // another writer's rows in between are not missed.
    void ownSavesAreNotReadTwice_data()
    {
        QTest::addColumn<bool>("writerConnection");
        QTest::addColumn<bool>("checkBeforeTheNotice");
        QTest::addColumn<bool>("foreignRowsToo");
        QTest::newRow("store's connection") << false << false << false;
        QTest::newRow("store's connection, another writer too") << false << false << true;
        QTest::newRow("writer connection") << true << false << false;
        QTest::newRow("writer connection, checked before the notice") << true << true << false;
        QTest::newRow("writer connection, another writer too") << true << true << true;
    }

    void ownSavesAreNotReadTwice()
    {
        QFETCH(bool, writerConnection);
        QFETCH(bool, checkBeforeTheNotice);
        QFETCH(bool, foreignRowsToo);
        auto store = open();
        QVERIFY(save(*store, generated(500, 31)));
        EarthquakeSnapshot *snapshot = store->snapshot();
        QVERIFY(snapshot->waitForLoaded());
        const int loads = snapshot->loadCount();
        ForeignWriter foreign(store->configuration().filePath);
        if (foreignRowsToo)
            QCOMPARE(foreign.insert(100, 5, kBaseMs + 100).size(), 5);
        if (writerConnection) {
            ForeignWriter writer(store->configuration().filePath);
            const QList<qint64> own = writer.insert(0, 20, kBaseMs + 1000);
            QCOMPARE(own.size(), 20);
            if (checkBeforeTheNotice) {
                snapshot->checkForChanges();
                QVERIFY(settled(snapshot));
            }
            emit store->didSave(own);
        } else {
            QVERIFY(save(*store, generated(20, 32)));
        }
        QVERIFY(settled(snapshot));
        VERIFY_EQUALS_FETCH(*store);
        snapshot->checkForChanges();
        QVERIFY(settled(snapshot));
        QCOMPARE(snapshot->loadCount(), loads);
        QCOMPARE(snapshot->rows().size(), size_t(foreignRowsToo ? 525 : 520));
    }

    // While a reader watches, the store is looked at every few seconds without being asked.
    void watchersPoll()
    {
        auto store = open();
        QVERIFY(save(*store, generated(100, 41)));
        EarthquakeSnapshot *snapshot = store->snapshot();
        QVERIFY(snapshot->waitForLoaded());
        snapshot->setPollInterval(20);
        QVERIFY(!snapshot->isPolling());
        {
            QObject screen;
            snapshot->setWatching(&screen, true);
            QVERIFY(snapshot->isPolling());
            QSignalSpy changed(snapshot, &EarthquakeSnapshot::changed);
            ForeignWriter writer(store->configuration().filePath);
            QCOMPARE(writer.insert(0, 3, kBaseMs + 5).size(), 3);
            QVERIFY(changed.wait(TestWait::bound));
            QCOMPARE(snapshot->rows().size(), size_t(103));
        }
        QVERIFY(!snapshot->isPolling());  // the watcher is gone
    }

    // A shown record that another writer changed or removed in a way no look could see (a row
    // rewritten in place while an own save was made) brings a fresh read.
    void staleRecordReloads()
    {
        auto store = open();
        QVERIFY(save(*store, generated(300, 51)));
        EarthquakeSnapshot *snapshot = store->snapshot();
        QVERIFY(snapshot->waitForLoaded());
        const int loads = snapshot->loadCount();
        const EarthquakeSnapshot::Row row = snapshot->rows()[42];
        ForeignWriter writer(store->configuration().filePath);
        QVERIFY(writer.exec(QStringLiteral("UPDATE Earthquake SET magnitude = 4.75 WHERE rowid = %1").arg(row.rowId)));
        QVERIFY(save(*store, {quake("own", kBaseMs + 1)}));
        QVERIFY(settled(snapshot));
        snapshot->checkForChanges();
        QVERIFY(settled(snapshot));
        QCOMPARE(snapshot->loadCount(), loads);  // a change an own save explains: merged only
        const auto record = snapshot->record(row);
        QVERIFY(record);
        QCOMPARE(record->magnitude(), 4.75);
        QVERIFY(settled(snapshot));
        QCOMPARE(snapshot->loadCount(), loads + 1);
        VERIFY_EQUALS_FETCH(*store);
        // Read afresh and still the same: nothing more is read.
        QVERIFY(snapshot->record(snapshot->rows()[42]));
        QVERIFY(!snapshot->isBusy());
    }

    // Readers hold the data they were given while the snapshot moves on.
    void publishedDataStaysWhileHeld()
    {
        auto store = open();
        QVERIFY(save(*store, generated(200, 61)));
        EarthquakeSnapshot *snapshot = store->snapshot();
        QVERIFY(snapshot->waitForLoaded());
        const EarthquakeSnapshot::DataPtr held = snapshot->data();
        const std::vector<EarthquakeSnapshot::Row> before = held->rows;
        QVERIFY(save(*store, {quake("newest", kBaseMs + 10)}));
        QVERIFY(settled(snapshot));
        QVERIFY(snapshot->data() != held);
        QCOMPARE(held->rows.size(), before.size());
        QVERIFY(std::memcmp(held->rows.data(), before.data(), before.size() * sizeof(EarthquakeSnapshot::Row)) == 0);
        QCOMPARE(snapshot->rows().size(), size_t(201));
    }
};

QTEST_GUILESS_MAIN(TestSnapshot)
#include "tst_snapshot.moc"
