// The snapshot and the other writers of its store: another program, and the store's own
// writer connection, whose commits the snapshot sees as changes too.
#include "SnapshotFixture.h"

class TestSnapshotWriters : public QObject {
    Q_OBJECT
private:
    StoreFiles m_stores;
    std::unique_ptr<ModelContainer> open() { return m_stores.open(); }

private slots:
    // Another program writes the store file: the check notices, and what it changed is brought
    // in, new rows merged, anything else read afresh.
    void followsAnotherWriter_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("merged");
        QTest::addColumn<bool>("afterOwnSave");  // merged and looked at since
        QTest::newRow("rows added") << "insert" << true << false;
        QTest::newRow("rows deleted") << "DELETE FROM Earthquake WHERE rowid % 7 = 0" << false << false;
        QTest::newRow("newest row deleted") << "DELETE FROM Earthquake WHERE rowid = (SELECT max(rowid) FROM Earthquake)"
                                            << false << false;
        QTest::newRow("a known row rewritten") << "UPDATE Earthquake SET magnitude = 5.5 WHERE rowid = 10" << false << false;
        QTest::newRow("newest row rewritten, rows added")
            << "UPDATE Earthquake SET magnitude = 5.5 WHERE rowid = (SELECT max(rowid) FROM Earthquake); insert" << false << false;
        QTest::newRow("one deleted, one added") << "DELETE FROM Earthquake WHERE rowid = 3; insert" << false << false;
        QTest::newRow("newest row given again") << "DELETE FROM Earthquake WHERE rowid = (SELECT max(rowid) FROM "
                                                   "Earthquake); insert" << false << false;
        QTest::newRow("a known row rewritten after an own save")
            << "UPDATE Earthquake SET magnitude = 5.5 WHERE rowid = 10" << false << true;
    }

    void followsAnotherWriter()
    {
        QFETCH(QString, change);
        QFETCH(bool, merged);
        QFETCH(bool, afterOwnSave);
        auto store = open();
        QVERIFY(save(*store, generated(2000, 23)));
        EarthquakeSnapshot *snapshot = store->snapshot();
        QVERIFY(snapshot->waitForLoaded());
        if (afterOwnSave) {
            QVERIFY(save(*store, {quake("own", kBaseMs + 1)}));
            QVERIFY(settled(snapshot));
        }
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
};

QTEST_GUILESS_MAIN(TestSnapshotWriters)
#include "tst_snapshot_writers.moc"
