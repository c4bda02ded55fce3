// The snapshot of every stored event: made, loaded and kept equal to the store across own saves.
#include "SnapshotFixture.h"

class TestSnapshot : public QObject {
    Q_OBJECT
private:
    StoreFiles m_stores;
    std::unique_ptr<ModelContainer> open(bool inMemory = false) { return m_stores.open(inMemory); }

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
