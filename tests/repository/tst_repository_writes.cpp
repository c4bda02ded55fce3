#include "RepositoryFixture.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QThread>

namespace {

// Another connection holding the store's write lock, as a second instance writing would.
class StoreLock {
public:
    explicit StoreLock(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name());
        db.setDatabaseName(path);
        locked = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE"));
    }
    ~StoreLock()
    {
        release();
        QSqlDatabase::database(name(), false).close();
        QSqlDatabase::removeDatabase(name());
    }
    void release()
    {
        if (std::exchange(locked, false))
            QSqlQuery(QSqlDatabase::database(name(), false)).exec(QStringLiteral("COMMIT"));
    }
    bool locked = false;

private:
    static QString name() { return QStringLiteral("lock-holder"); }
};

}  // namespace

// The refresh against the store's writer thread: a locked store, owners that go while a save
// runs, and the alerts of a big page.
class RepositoryWritesTest : public RepositoryFixture {
    Q_OBJECT

private slots:
    void initTestCase() { startServer(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    // Another connection holds the store locked: the refresh waits for it off this thread, whose
    // event loop keeps turning. What follows the save comes on this thread after the commit, in
    // order: the store's save signal, the alerts, the update time, the end of loading.
    void lockedStoreNeverHoldsTheEventLoop()
    {
        QStringList effects;
        struct LoggingSender : NotificationSender {
            QStringList *effects;
            explicit LoggingSender(QStringList *log) : effects(log) {}
            void send(const EarthquakeNotificationEvent &alert) override
            {
                *effects << QStringLiteral("alert ") + alert.earthquake->eventID();
            }
        } sender(&effects);
        auto repo = repository(&sender);
        connect(m_container.get(), &ModelContainer::didSave, this, [&](const QList<qint64> &added) {
            const bool onMain = QThread::currentThread() == thread();
            effects << QStringLiteral("saved %1 on %2").arg(added.size()).arg(onMain ? "main" : "writer");
        }, Qt::DirectConnection);
        connect(repo.get(), &EarthquakeRepository::lastUpdatedChanged, this, [&] { effects << "lastUpdated"; });
        connect(repo.get(), &EarthquakeRepository::isLoadingChanged, this, [&](bool loading) {
            if (!loading)
                effects << "idle";
        });
        serve({row("es1", 10), row("es2", 5)});

        StoreLock lock(m_container->configuration().filePath);
        QVERIFY(lock.locked);
        bool done = false;
        repo->refresh(false, repo.get(), [&] { done = true; });
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount(QStringLiteral("/page")) > 0, TestWait::bound);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(5);
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 40, TestWait::bound);
        QVERIFY(repo->isLoading());
        QVERIFY2(effects.isEmpty(), qPrintable(effects.join(", ")));

        lock.release();
        QTRY_VERIFY_WITH_TIMEOUT(done, TestWait::bound);
        QVERIFY2(!repo->lastError(), qPrintable(repo->lastErrorDescription()));
        QCOMPARE(effects, QStringList({"saved 2 on main", "alert es1", "alert es2", "lastUpdated", "idle"}));
        QCOMPARE(storedIDs(*m_context), QStringList({"es1", "es2"}));
    }

    // A save handed to the store's writer ends whole when its repository, or the store itself,
    // goes meanwhile; nothing of the refresh runs after that.
    void handedOverSaveOutlivesItsOwners_data()
    {
        QTest::addColumn<bool>("storeGoes");
        QTest::newRow("repository destroyed") << false;
        QTest::newRow("store destroyed") << true;
    }
    void handedOverSaveOutlivesItsOwners()
    {
        QFETCH(bool, storeGoes);
        const QString path = m_container->configuration().filePath;
        auto repo = repository();
        serve({row("es1", 10), row("es2", 5)});
        QSignalSpy saved(m_container.get(), &ModelContainer::didSave);
        auto lock = std::make_unique<StoreLock>(path);
        QVERIFY(lock->locked);
        repo->refresh(false);
        QTRY_COMPARE_WITH_TIMEOUT(m_context->saves, 1, TestWait::bound);
        repo.reset();
        lock.reset();
        if (storeGoes) {
            m_context.reset();
            m_container.reset();  // waits for the write
        } else {
            QVERIFY(saved.wait(TestWait::bound));
        }

        auto reopened = ModelContainer::open({path, false});
        QVERIFY(reopened);
        QCOMPARE(storedIDs(*(*reopened)->mainContext()), QStringList({"es1", "es2"}));
        QVERIFY(m_sender.alerts.isEmpty());
        QVERIFY(!m_defaults->dateValue(EarthquakeRepository::lastUpdatedKey));
    }

    // Hundreds of new events: their alerts go out a slice at a time, yet in the order one
    // evaluation gives: every magnitude alert, then every proximity alert, then the swarms.
    void manyNewEventsAlertInTheFiltersOrder()
    {
        m_settings->setGlobalMagnitudeCategory(MagnitudeCategory::Moderate);
        m_settings->setLocationNotificationsEnabled(true);
        m_settings->setLocationRadiusKm(10);
        m_settings->setSwarmNotificationsEnabled(true);
        EarthquakeRepository::Environment env = environment();
        env.userLocation = [] { return std::optional(QGeoCoordinate(28.1, -16.5)); };
        EarthquakeRepository repo(m_context.get(), nullptr, env);

        QList<CatalogueRow> rows;
        QStringList magnitude, proximity;
        for (int i = 0; i < 600; ++i) {
            CatalogueRow r = row(QStringLiteral("es%1").arg(i), 0, i % 3 == 0 ? 4.5 : 1.0);
            r.date = kNow.addSecs(-i);
            r.latitude = i % 2 == 0 ? 28.1 : 27.0;
            r.longitude = i % 2 == 0 ? -16.5 : -18.0;
            rows << r;
            if (i % 3 == 0)
                magnitude << "magnitude " + r.eventID;
            else if (i % 2 == 0)
                proximity << "proximity " + r.eventID;
        }
        serve(rows);
        refreshAndWait(repo);
        QVERIFY(!repo.lastError());

        QStringList sent;
        for (const EarthquakeNotificationEvent &alert : m_sender.alerts) {
            switch (alert.kind) {
            case EarthquakeNotificationEvent::Kind::Magnitude: sent << "magnitude " + alert.earthquake->eventID(); break;
            case EarthquakeNotificationEvent::Kind::Proximity: sent << "proximity " + alert.earthquake->eventID(); break;
            case EarthquakeNotificationEvent::Kind::Swarm:
                sent << QStringLiteral("swarm %1 in %2").arg(alert.count).arg(alert.windowMinutes);
                break;
            }
        }
        QCOMPARE(sent, magnitude + proximity + QStringList({"swarm 600 in 10", "swarm 600 in 60", "swarm 600 in 120"}));
    }
};

QTEST_GUILESS_MAIN(RepositoryWritesTest)
#include "tst_repository_writes.moc"
