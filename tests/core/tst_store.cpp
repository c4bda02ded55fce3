#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Persistence/PersistenceController.h"
#include "TestWait.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

const QDateTime kBase(QDate(2025, 3, 5), QTime(12, 0), Qt::UTC);

EarthquakePtr makeEvent(const QString &id, int minutesAfterBase, double magnitude = 2.5,
                    std::optional<QString> intensity = QStringLiteral("II"), QString location = QStringLiteral("NE TENERIFE"))
{
    return std::make_shared<Earthquake>(id, kBase.addSecs(minutesAfterBase * 60), 28.1234, -16.5678, 12.5, magnitude,
                                        QStringLiteral("mbLg"), std::move(intensity), std::move(location),
                                        kBase.addDays(1));
}

std::unique_ptr<ModelContainer> openStore(const QString &path)
{
    auto opened = ModelContainer::open({path, false});
    if (!opened) {
        qWarning() << opened.error().description;
        return nullptr;
    }
    return std::move(*opened);
}

QStringList ids(const EarthquakeList &list)
{
    QStringList out;
    for (const auto &e : list)
        out << e->eventID();
    return out;
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

}  // namespace

class TestStore : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    void roundTripKeepsEveryFieldAcrossReopen()
    {
        const QString file = path("roundtrip.sqlite");
        {
            auto store = openStore(file);
            QVERIFY(store);
            ModelContext *ctx = store->mainContext();
            auto withIntensity = makeEvent(QStringLiteral("es1"), 0);
            auto bare = makeEvent(QStringLiteral("es2"), 1, 1.0, std::nullopt, QString());
            ctx->insert(withIntensity);
            ctx->insert(bare);
            QVERIFY(withIntensity->id().isTemporary());
            QVERIFY(ctx->save());
            QVERIFY(!withIntensity->id().isTemporary());
            QVERIFY(!ctx->hasChanges());
        }
        auto store = openStore(file);  // a new connection reads what the first one wrote
        QVERIFY(store);
        FetchDescriptor d;
        d.sortByDate = SortOrder::Forward;
        const auto all = store->mainContext()->fetch(d);
        QVERIFY(all);
        QCOMPARE(ids(*all), QStringList({QStringLiteral("es1"), QStringLiteral("es2")}));
        const Earthquake &a = *all->at(0);
        QCOMPARE(a.date(), kBase);
        QCOMPARE(a.latitude(), 28.1234);
        QCOMPARE(a.longitude(), -16.5678);
        QCOMPARE(a.depth(), 12.5);
        QCOMPARE(a.magnitude(), 2.5);
        QCOMPARE(a.magnitudeType(), QStringLiteral("mbLg"));
        QCOMPARE(a.maxIntensity(), std::optional<QString>(QStringLiteral("II")));
        QCOMPARE(a.location(), QStringLiteral("NE TENERIFE"));
        QCOMPARE(a.fetchedAt(), kBase.addDays(1));
        const Earthquake &b = *all->at(1);
        QCOMPARE(b.maxIntensity(), std::nullopt);
        QVERIFY(!b.location().isNull());
        QCOMPARE(b.location(), QString());

        // The same row reached by two queries is the same record; different rows are not.
        const auto again = store->mainContext()->fetch(d);
        QVERIFY(*again->at(0) == *all->at(0));
        QVERIFY(!(*again->at(0) == *all->at(1)));
    }

    void uniqueEventIDKeepsTheStoredRow()
    {
        auto store = openStore(path("unique.sqlite"));
        QVERIFY(store);
        ModelContext *ctx = store->mainContext();
        ctx->insert(makeEvent(QStringLiteral("dup"), 0, 2.0));
        QVERIFY(ctx->save());
        auto twin = makeEvent(QStringLiteral("dup"), 5, 4.0);
        ctx->insert(twin);
        ctx->insert(makeEvent(QStringLiteral("other"), 6));
        QVERIFY(ctx->save());
        QCOMPARE(*ctx->fetchCount({}), qint64(2));
        FetchDescriptor d;
        const auto rows = ctx->fetch(d);
        for (const auto &e : *rows) {
            if (e->eventID() == QLatin1String("dup")) {
                QCOMPARE(e->magnitude(), 2.0);
                QVERIFY(*e == *twin);  // the twin became the stored record
            }
        }
        const auto stored = ctx->fetchStoredEventIDs({QStringLiteral("dup"), QStringLiteral("nope"), QStringLiteral("other")});
        QCOMPARE(*stored, (QSet<QString>{QStringLiteral("dup"), QStringLiteral("other")}));
    }

    void descriptors_data()
    {
        QTest::addColumn<FetchDescriptor>("descriptor");
        QTest::addColumn<QStringList>("expected");
        // Stored: e0..e9 at minutes 0..9, plus "tie-a"/"tie-b" both at minute 5.
        auto d = [](auto fn) { FetchDescriptor x; fn(x); return x; };
        QTest::newRow("newest first, ties by id") << d([](auto &x) { x.sortByDate = SortOrder::Reverse; x.fetchLimit = 5; })
            << QStringList{"e9", "e8", "e7", "e6", "tie-b"};
        QTest::newRow("oldest first") << d([](auto &x) { x.sortByDate = SortOrder::Forward; x.fetchLimit = 3; })
            << QStringList{"e0", "e1", "e2"};
        QTest::newRow("offset") << d([](auto &x) { x.sortByDate = SortOrder::Reverse; x.fetchLimit = 3; x.fetchOffset = 4; })
            << QStringList{"tie-b", "tie-a", "e5"};
        QTest::newRow("from inclusive, to exclusive")
            << d([](auto &x) { x.sortByDate = SortOrder::Forward; x.dateFrom = kBase.addSecs(120); x.dateTo = kBase.addSecs(240); })
            << QStringList{"e2", "e3"};
        QTest::newRow("to inclusive")
            << d([](auto &x) { x.sortByDate = SortOrder::Forward; x.dateFrom = kBase.addSecs(120); x.dateTo = kBase.addSecs(240); x.dateToInclusive = true; })
            << QStringList{"e2", "e3", "e4"};
        QTest::newRow("after a cursor, newest first")
            << d([](auto &x) { x.sortByDate = SortOrder::Reverse; x.fetchLimit = 3; x.after = PageCursor{kBase.addSecs(300).toMSecsSinceEpoch(), "tie-b"}; })
            << QStringList{"tie-a", "e5", "e4"};
        QTest::newRow("after a cursor with a predicate")
            << d([](auto &x) { x.sortByDate = SortOrder::Forward; x.dateTo = kBase.addSecs(420); x.after = PageCursor{kBase.addSecs(300).toMSecsSinceEpoch(), "tie-a"}; })
            << QStringList{"tie-b", "e6"};
        QTest::newRow("empty range") << d([](auto &x) { x.dateFrom = kBase.addDays(1); }) << QStringList{};
    }
    void descriptors()
    {
        QFETCH(FetchDescriptor, descriptor);
        QFETCH(QStringList, expected);
        static std::unique_ptr<ModelContainer> store = [this] {
            auto s = openStore(path("descriptors.sqlite"));
            for (int i = 0; i < 10; ++i)
                s->mainContext()->insert(makeEvent(QStringLiteral("e%1").arg(i), i));
            s->mainContext()->insert(makeEvent(QStringLiteral("tie-b"), 5));
            s->mainContext()->insert(makeEvent(QStringLiteral("tie-a"), 5));
            s->mainContext()->save();
            return s;
        }();
        QVERIFY(store);
        const auto rows = store->mainContext()->fetch(descriptor);
        QVERIFY(rows);
        if (descriptor.sortByDate != SortOrder::None)
            QCOMPARE(ids(*rows), expected);
        else
            QCOMPARE(QSet<QString>(ids(*rows).begin(), ids(*rows).end()), QSet<QString>(expected.begin(), expected.end()));
        FetchDescriptor countOnly = descriptor;
        QCOMPARE(*store->mainContext()->fetchCount(countOnly), qint64(expected.size()));
    }

    void failedSaveWritesNothingAndDropsTheStaged()
    {
        const QString file = path("failing.sqlite");
        auto store = openStore(file);
        QVERIFY(store);
        ModelContext *ctx = store->mainContext();
        ctx->insert(makeEvent(QStringLiteral("kept"), 0));
        QVERIFY(ctx->save());
        QSignalSpy saved(store.get(), &ModelContainer::didSave);

        QSqlQuery q(store->database());
        QVERIFY(q.exec(QStringLiteral("CREATE TEMP TRIGGER refuse BEFORE INSERT ON Earthquake "
                                      "WHEN NEW.eventID = 'bad' BEGIN SELECT RAISE(ABORT, 'disk says no'); END")));
        auto first = makeEvent(QStringLiteral("good"), 1);
        ctx->insert(first);
        ctx->insert(makeEvent(QStringLiteral("bad"), 2));
        const auto result = ctx->save();
        QVERIFY(!result);
        QVERIFY(result.error().description.contains(QStringLiteral("disk says no")));
        QVERIFY(!ctx->hasChanges());
        QVERIFY(first->id().isTemporary());  // rolled back: it is in no store
        QCOMPARE(*ctx->fetchCount({}), qint64(1));
        QCOMPARE(saved.count(), 0);

        QVERIFY(q.exec(QStringLiteral("DROP TRIGGER refuse")));
        ctx->insert(makeEvent(QStringLiteral("good"), 1));
        QVERIFY(ctx->save());
        QCOMPARE(*ctx->fetchCount({}), qint64(2));
        QCOMPARE(saved.count(), 1);
        QVERIFY(ctx->save());  // nothing staged: no write, no signal
        QCOMPARE(saved.count(), 1);
    }

    void contextsShareTheContainer()
    {
        auto store = openStore(path("contexts.sqlite"));
        ModelContext background(store.get());
        QSignalSpy saved(store.get(), &ModelContainer::didSave);
        background.insert(makeEvent(QStringLiteral("bg"), 0));
        QVERIFY(background.save());
        QCOMPARE(saved.count(), 1);
        QCOMPARE(*store->mainContext()->fetchCount({}), qint64(1));
    }

    // Of the candidates, the stored one and the later twin are left out; the rest are made,
    // looked up and written on the writer's thread, and the save's signal comes here after the
    // commit, with the rows it added, the save already counted.
    void saveNewStoresOnlyWhatIsNewOffThisThread()
    {
        auto store = openStore(path("savenew.sqlite"));
        QVERIFY(store);
        ModelContext *ctx = store->mainContext();
        ctx->insert(makeEvent(QStringLiteral("known"), 0, 2.0));
        QVERIFY(ctx->save());
        const quint64 savesBefore = store->saveCount();
        QList<qint64> signalled;
        bool signalledHere = false;
        quint64 countWhenSignalled = 0;
        connect(store.get(), &ModelContainer::didSave, this, [&](const QList<qint64> &added) {
            signalled = added;
            signalledHere = QThread::currentThread() == thread();
            countWhenSignalled = store->saveCount();
        }, Qt::DirectConnection);

        QThread *madeOn = nullptr;
        std::optional<Expected<EarthquakeList>> result;
        ctx->saveNew(
            [&] {
                madeOn = QThread::currentThread();
                return EarthquakeList{makeEvent(QStringLiteral("known"), 5, 4.0), makeEvent(QStringLiteral("twin"), 1, 3.0),
                                      makeEvent(QStringLiteral("new"), 2), makeEvent(QStringLiteral("twin"), 3, 9.9)};
            },
            this, [&](Expected<EarthquakeList> stored) { result = std::move(stored); });
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), TestWait::bound);
        QVERIFY(madeOn && madeOn != thread());
        QVERIFY2(*result, *result ? "" : qPrintable(result->error().description));
        const EarthquakeList &stored = result->value();
        QCOMPARE(ids(stored), QStringList({QStringLiteral("twin"), QStringLiteral("new")}));
        QCOMPARE(stored.at(0)->magnitude(), 3.0);
        QCOMPARE(signalled, QList<qint64>({stored.at(0)->id().value, stored.at(1)->id().value}));
        QVERIFY(signalledHere);
        QCOMPARE(countWhenSignalled, savesBefore + 1);
        FetchDescriptor byDate;
        byDate.sortByDate = SortOrder::Forward;
        const auto all = ctx->fetch(byDate);
        QCOMPARE(ids(*all), QStringList({QStringLiteral("known"), QStringLiteral("twin"), QStringLiteral("new")}));
        QCOMPARE(all->at(0)->magnitude(), 2.0);
        QVERIFY(*all->at(1) == *stored.at(0));
    }

    // A context may outlive its store (one parented elsewhere): it then fails as a closed store.
    void contextOutlivingItsStoreFailsAsClosed()
    {
        auto store = openStore(path("outlived.sqlite"));
        QVERIFY(store);
        store->mainContext()->insert(makeEvent(QStringLiteral("kept"), 0));
        QVERIFY(store->mainContext()->save());
        ModelContext context(store.get());
        store.reset();
        QVERIFY(!context.container());
        QVERIFY(!context.fetch({}));
        QVERIFY(!context.fetchCount({}));
        QVERIFY(!context.fetchStoredEventIDs({QStringLiteral("kept")}));
        context.insert(makeEvent(QStringLiteral("late"), 1));
        QVERIFY(!context.save());
        QVERIFY(!context.hasChanges());
        std::optional<Expected<EarthquakeList>> result;
        context.saveNew([] { return EarthquakeList{makeEvent(QStringLiteral("later"), 2)}; }, this,
                        [&](Expected<EarthquakeList> stored) { result = std::move(stored); });
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), TestWait::bound);
        QVERIFY(!*result);
    }

    void inMemoryStoreAndPreview()
    {
        auto memory = ModelContainer::open({QString(), true});
        QVERIFY(memory);
        QCOMPARE(*(*memory)->mainContext()->fetchCount({}), qint64(0));

        ModelContext *preview = PersistenceController::preview().container()->mainContext();
        QCOMPARE(&PersistenceController::preview(), &PersistenceController::preview());
        QVERIFY(preview->insertedModels().isEmpty());  // saved, nothing left staged
        QCOMPARE(*preview->fetchCount({}), qint64(3));
        FetchDescriptor newestFirst;
        newestFirst.sortByDate = SortOrder::Reverse;
        const auto stored = preview->fetch(newestFirst);
        QVERIFY(stored);
        QCOMPARE(ids(*stored), (QStringList{QStringLiteral("es2025prev001"), QStringLiteral("es2025prev002"),
                                            QStringLiteral("es2025prev003")}));
        QCOMPARE(stored->at(2)->maxIntensity(), std::nullopt);
        QCOMPARE(stored->at(1)->location(), QStringLiteral("SW HIERRO"));
    }

    void unopenableStores_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not a database") << QByteArray("this is a text file, not a store\n").repeated(200);
        // "sql:" rows are databases built from these statements.
        QTest::newRow("someone else's database")
            << QByteArray("sql:CREATE TABLE Earthquake (id INTEGER, what TEXT);PRAGMA user_version = 1");
        QTest::newRow("a newer store")
            << QByteArray("sql:CREATE TABLE Earthquake (eventID TEXT NOT NULL UNIQUE, date INTEGER, latitude REAL, "
                          "longitude REAL, depth REAL, magnitude REAL, magnitudeType TEXT, maxIntensity TEXT, "
                          "location TEXT, fetchedAt INTEGER);PRAGMA user_version = 2");
        QTest::newRow("tables without a version")
            << QByteArray("sql:CREATE TABLE Notes (body TEXT)");
        QTest::newRow("only a view, without a version") << QByteArray("sql:CREATE VIEW Notes AS SELECT 1 AS body");
        // The right columns, but rows could not be added to them one event per identifier.
        const QByteArray columns = "eventID TEXT NOT NULL, date INTEGER, latitude REAL, longitude REAL, depth REAL, "
                                   "magnitude REAL, magnitudeType TEXT, maxIntensity TEXT, location TEXT, fetchedAt INTEGER";
        QTest::newRow("eventID not unique") << "sql:CREATE TABLE Earthquake (" + columns + ");PRAGMA user_version = 1";
        QTest::newRow("unique with another column")
            << "sql:CREATE TABLE Earthquake (" + columns + ", UNIQUE (eventID, date));PRAGMA user_version = 1";
        QTest::newRow("unique for some rows only")
            << "sql:CREATE TABLE Earthquake (" + columns + ");CREATE UNIQUE INDEX partly ON Earthquake(eventID) "
                                                           "WHERE date > 0;PRAGMA user_version = 1";
        QTest::newRow("unique ignoring case")
            << "sql:CREATE TABLE Earthquake (" + columns + ");CREATE UNIQUE INDEX nocase ON Earthquake(eventID "
                                                           "COLLATE NOCASE);PRAGMA user_version = 1";
        QTest::newRow("a view")
            << "sql:CREATE TABLE Events (" + columns + ", UNIQUE (eventID));CREATE VIEW Earthquake AS SELECT * FROM "
                                                       "Events;PRAGMA user_version = 1";
        QTest::newRow("without row ids")
            << "sql:CREATE TABLE Earthquake (" + columns + ", PRIMARY KEY (eventID)) WITHOUT ROWID;"
                                                           "PRAGMA user_version = 1";
    }
    void unopenableStores()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir home;
        const QString dataDir = home.filePath(QStringLiteral("data/sismovantaquelorin/sismovantaquelorin"));
        QVERIFY(QDir().mkpath(dataDir));
        const QString file = dataDir + QStringLiteral("/earthquakes.sqlite");
        if (content.startsWith("sql:")) {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
            db.setDatabaseName(file);
            QVERIFY(db.open());
            for (const QByteArray &sql : content.mid(4).split(';'))
                QVERIFY(QSqlQuery(db).exec(QString::fromUtf8(sql)));
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
        } else {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QByteArray before = fileHash(file);

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("SISMO_TEST_OPEN_SHARED_STORE"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(TestWait::bound));
        QVERIFY(child.exitCode() != 0);
        const QByteArray err = child.readAllStandardError();
        QVERIFY2(err.startsWith("Failed to create ModelContainer: "), err.constData());
        QVERIFY(err.trimmed().size() > QByteArray("Failed to create ModelContainer: ").size());
        QCOMPARE(fileHash(file), before);
        QVERIFY(!QFile::exists(file + QStringLiteral("-wal")));
        QVERIFY(!QFile::exists(file + QStringLiteral("-shm")));
    }

    // Two instances started together on a new store: both open it, and it ends up with the full
    // schema. The children wait for a common instant so that their first opens really overlap.
    void twoProcessesCreateOneNewStore()
    {
        const int rounds = 40;
        for (int round = 0; round < rounds; ++round) {
            QTemporaryDir home;
            const QString dataDir = home.filePath(QStringLiteral("data"));
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("XDG_DATA_HOME"), dataDir);
            env.insert(QStringLiteral("SISMO_TEST_OPEN_SHARED_STORE"), QStringLiteral("1"));
            env.insert(QStringLiteral("SISMO_TEST_START_AT"),
                       QString::number(QDateTime::currentMSecsSinceEpoch() + 300));
            QProcess first;
            QProcess second;
            for (QProcess *child : {&first, &second}) {
                child->setProcessEnvironment(env);
                child->start(QCoreApplication::applicationFilePath(), {});
            }
            for (QProcess *child : {&first, &second}) {
                QVERIFY(child->waitForFinished(TestWait::bound));
                const QByteArray err = child->readAllStandardError();
                QVERIFY2(child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0,
                         qPrintable(QStringLiteral("round %1: %2").arg(round).arg(QString::fromLocal8Bit(err))));
            }
            auto store = openStore(dataDir + QStringLiteral("/sismovantaquelorin/sismovantaquelorin/earthquakes.sqlite"));
            QVERIFY(store);
            QCOMPARE(*store->mainContext()->fetchCount({}), qint64(0));
        }
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("SISMO_TEST_OPEN_SHARED_STORE")) {
        QCoreApplication::setApplicationName(QStringLiteral("sismovantaquelorin"));
        QCoreApplication::setOrganizationName(QStringLiteral("sismovantaquelorin"));
        const qint64 startAt = qEnvironmentVariable("SISMO_TEST_START_AT").toLongLong();
        if (const qint64 wait = startAt - QDateTime::currentMSecsSinceEpoch(); wait > 0)
            QThread::msleep(static_cast<unsigned long>(wait));
        PersistenceController::shared();
        return 0;
    }
    TestStore test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_store.moc"
