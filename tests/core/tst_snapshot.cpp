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

        // Newest rows.
        QVERIFY(save(*store, {quake("new-1", kBaseMs + 60000), quake("new-2", kBaseMs + 120000, 3.1, "NEW PLACE")}));
        QCOMPARE(changed.count(), 1);
        VERIFY_EQUALS_FETCH(*store);

        // Older than every stored row, and between stored rows.
        QVERIFY(save(*store, {quake("old-1", kBaseMs - 10LL * 86400000), quake("mid-1", kBaseMs - 90 * 60000 - 1)}));
        QCOMPARE(changed.count(), 2);
        VERIFY_EQUALS_FETCH(*store);

        // At dates already stored, identifiers on both sides of the stored ones, and two at once.
        const qint64 shared = snapshot->rows()[500].dateMs;
        QVERIFY(save(*store, {quake("es0000", shared), quake("zz-last", shared), quake("es5", shared),
                              quake("zz-newest", kBaseMs + 120000)}));
        QCOMPARE(changed.count(), 3);
        VERIFY_EQUALS_FETCH(*store);

        // Conflicts only: saved, nothing added, no change.
        QVERIFY(save(*store, {quake("new-1", kBaseMs), quake("old-1", kBaseMs)}));
        QCOMPARE(changed.count(), 3);
        VERIFY_EQUALS_FETCH(*store);

        // A failed save writes nothing and changes nothing.
        QVERIFY(exec(*store, "CREATE TRIGGER refuse BEFORE INSERT ON Earthquake WHEN NEW.eventID = 'bad' "
                             "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        QVERIFY(!save(*store, {quake("good", kBaseMs + 5), quake("bad", kBaseMs + 6)}));
        QCOMPARE(changed.count(), 3);
        VERIFY_EQUALS_FETCH(*store);

        // A staged NaN magnitude is stored as NULL and reads back as 0.
        auto nan = quake("nan", kBaseMs + 300000, std::nan(""));
        QVERIFY(save(*store, {nan}));
        QCOMPARE(changed.count(), 4);
        VERIFY_EQUALS_FETCH(*store);
        QCOMPARE(snapshot->rows().front().rowId, nan->id().value);
        QCOMPARE(snapshot->rows().front().magnitude, 0.0);
    }

    void savesBeforeLoadingAreReadByTheLoad()
    {
        auto store = open();
        EarthquakeSnapshot *snapshot = store->snapshot();
        QSignalSpy changed(snapshot, &EarthquakeSnapshot::changed);
        QVERIFY(save(*store, generated(50, 3)));
        QCOMPARE(changed.count(), 1);  // readers that saw it empty read again
        QVERIFY(!snapshot->isLoaded());
        VERIFY_EQUALS_FETCH(*store);
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
        row("long name", "('f1', 5, 28, -16, 1, 2, 'x', printf('%.*c', 200000, 'x'), 0)");
    }

    void foreignValuesReadAsFetchReadsThem()
    {
        QFETCH(QString, values);
        auto store = open();
        QVERIFY(save(*store, generated(200, 17)));
        QVERIFY(exec(*store, QStringLiteral("INSERT INTO Earthquake (eventID, date, latitude, longitude, depth, "
                                            "magnitude, magnitudeType, location, fetchedAt) VALUES ")
                                 + values));
        VERIFY_EQUALS_FETCH(*store);
        QSignalSpy changed(store->snapshot(), &EarthquakeSnapshot::changed);
        QVERIFY(save(*store, {quake("after", kBaseMs - 5), quake("t0", 1772366400000), quake("z9", 4)}));
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
};

QTEST_GUILESS_MAIN(TestSnapshot)
#include "tst_snapshot.moc"
