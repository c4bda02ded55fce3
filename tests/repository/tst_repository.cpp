#include "CataloguePage.h"
#include "FakeNotificationServer.h"
#include "HttpTestServer.h"
#include "Networking/HTMLParser.h"
#include "Notifications/NotificationFilter.h"
#include "Notifications/NotificationManager.h"
#include "Notifications/NotificationSettings.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/Localization.h"
#include "Platform/UserDefaults.h"
#include "Repositories/EarthquakeRepository.h"
#include "TestWait.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

const QDateTime kNow(QDate(2025, 6, 1), QTime(12, 0), Qt::UTC);

// Every alert the repository hands over, in order.
class RecordingSender : public NotificationSender {
public:
    void send(const EarthquakeNotificationEvent &alert) override { alerts.append(alert); }
    QStringList identifiers() const
    {
        QStringList out;
        for (const auto &a : alerts)
            out << NotificationManager::content(a, kNow).identifier;
        return out;
    }
    QList<EarthquakeNotificationEvent> alerts;
};

// A real store context that counts the saves handed to the store's writer, and whose reading
// of the stored identifiers fails on request: the save then answers later, having written
// nothing, as the writer does.
class FaultyContext : public ModelContext {
public:
    using ModelContext::ModelContext;
    bool failStoredIDs = false;
    int saves = 0;
    void saveNew(std::function<EarthquakeList()> candidates, QObject *receiver, FetchCompletion done) override
    {
        ++saves;
        if (!failStoredIDs)
            return ModelContext::saveNew(std::move(candidates), receiver, std::move(done));
        QTimer::singleShot(0, receiver, [done = std::move(done)] {
            done(Error{Error::Domain::Store, 1, QStringLiteral("disk I/O error")});
        });
    }
};

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

// The catalogue at any address (the institute's source reads one fixed address).
class PageSource : public EarthquakeDataSource {
public:
    explicit PageSource(QUrl url) : m_url(std::move(url)) {}
    const Region &region() const override { return Region::canaryIslands(); }
    void fetchEarthquakes(QObject *context, FetchCompletion completion) override
    {
        HTMLParser().fetchAndParse(m_url, context, std::move(completion));
    }

private:
    QUrl m_url;
};

CatalogueRow row(const QString &id, int minutesAgo, double magnitude = 2.0, const QString &location = "NE TENERIFE")
{
    CatalogueRow r;
    r.eventID = id;
    r.date = kNow.addSecs(-60 * minutesAgo);
    r.magnitude = magnitude;
    r.location = location;
    return r;
}

QStringList storedIDs(ModelContext &context)
{
    FetchDescriptor all;
    all.sortByDate = SortOrder::Forward;
    QStringList out;
    for (const auto &e : context.fetch(all).valueOr({}))
        out << e->eventID();
    out.sort();
    return out;
}

}  // namespace

class RepositoryTest : public QObject {
    Q_OBJECT

    HttpTestServer m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ModelContainer> m_container;
    std::unique_ptr<FaultyContext> m_context;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<NotificationSettings> m_settings;
    RecordingSender m_sender;
    QDateTime m_now;

    EarthquakeRepository::Environment environment(NotificationSender *sender = nullptr, int tickMs = 1000)
    {
        EarthquakeRepository::Environment env;
        env.defaults = m_defaults.get();
        env.now = [this] { return m_now; };
        env.sender = sender ? sender : &m_sender;
        env.settings = m_settings.get();
        env.userLocation = [] { return std::optional<QGeoCoordinate>(); };
        env.cooldownTickMs = tickMs;
        return env;
    }
    // On the institute's source, pointed at the loopback server for the whole run.
    std::unique_ptr<EarthquakeRepository> repository(NotificationSender *sender = nullptr, int tickMs = 1000)
    {
        return std::make_unique<EarthquakeRepository>(m_context.get(), nullptr, environment(sender, tickMs));
    }
    void serve(const QList<CatalogueRow> &rows, int delayMs = 0)
    {
        m_server.setResponse(QStringLiteral("/page"), {200, {{"Content-Type", "text/html"}}, cataloguePage(rows), delayMs});
    }
    // The page's chunked framing breaks after its first rows, which Qt hands over as a whole
    // 200 response.
    void serveCutShort(const QList<CatalogueRow> &rows)
    {
        const QByteArray page = cataloguePage(rows);
        const QByteArray first = page.left(page.indexOf("<tr", page.size() / 2));
        HttpTestServer::Response response;
        response.raw = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                       + QByteArray::number(first.size(), 16) + "\r\n" + first + "\r\nzz\r\n"
                       + page.mid(first.size());
        m_server.setResponse(QStringLiteral("/page"), response);
    }
    static void refreshAndWait(EarthquakeRepository &repo, bool startCooldown = false)
    {
        bool done = false;
        repo.refresh(startCooldown, &repo, [&] { done = true; });
        QTRY_VERIFY_WITH_TIMEOUT(done, TestWait::bound);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.listen());
        // Before anything reads the monitored region, whose address is fixed at first use.
        qputenv("SISMOVANTAQUELORIN_CATALOGUE_URL", m_server.url(QStringLiteral("/page")).toEncoded());
        Localization::setLocaleForTesting(QLocale::c());
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        auto opened = ModelContainer::open({m_dir->filePath(QStringLiteral("store.sqlite")), false});
        QVERIFY2(opened, opened ? "" : qPrintable(opened.error().description));
        m_container = std::move(*opened);
        m_context = std::make_unique<FaultyContext>(m_container.get());
        m_defaults = std::make_unique<UserDefaults>(m_dir->filePath(QStringLiteral("defaults.ini")));
        m_settings = std::make_unique<NotificationSettings>(*m_defaults);
        m_settings->setIsEnabled(true);
        m_settings->setGlobalMagnitudeEnabled(true);
        m_settings->setGlobalMagnitudeCategory(MagnitudeCategory::Micro);
        m_sender.alerts.clear();
        m_now = kNow;
    }

    void cleanup()
    {
        m_settings.reset();
        m_context.reset();
        m_container.reset();
        m_defaults.reset();
        m_dir.reset();
    }

    void newEventsAreStoredAndAlertedOnce()
    {
        FakeNotificationServer notificationServer;
        NotificationManager manager(QDBusConnection::sessionBus(), [this] { return m_now; });
        auto repo = repository(&manager);
        QVERIFY(!repo->lastUpdated());

        serve({row("es1", 30, 1.2, "NW LANZAROTE"), row("es2", 20, 4.5, "SW HIERRO"), row("es3", 10, 6.1, "NE TENERIFE")});
        refreshAndWait(*repo);
        QVERIFY(!repo->lastError());
        QCOMPARE(storedIDs(*m_context), QStringList({"es1", "es2", "es3"}));
        QCOMPARE(repo->lastUpdated(), kNow);
        QCOMPARE(m_defaults->dateValue(EarthquakeRepository::lastUpdatedKey), kNow);
        QTRY_COMPARE_WITH_TIMEOUT(notificationServer.calls().size(), 3, TestWait::bound);
        QCOMPARE(notificationServer.calls().at(0).summary, QString::fromUtf8("Micro — NW LANZAROTE"));
        QCOMPARE(notificationServer.calls().at(1).body, QStringLiteral("Magnitude 4.5, depth 10 km"));
        QCOMPARE(notificationServer.calls().at(2).hints.value("urgency").toInt(), 2);

        // The same page again: nothing stored or alerted, but the update time moves on.
        m_now = kNow.addSecs(120);
        refreshAndWait(*repo);
        QVERIFY(!repo->lastError());
        QCOMPARE(storedIDs(*m_context).size(), 3);
        QCOMPARE(repo->lastUpdated(), kNow.addSecs(120));
        QCOMPARE(m_defaults->dateValue(EarthquakeRepository::lastUpdatedKey), kNow.addSecs(120));
        QTest::qWait(100);
        QCOMPARE(notificationServer.calls().size(), 3);

        // A later repository starts from the stored update time.
        QCOMPARE(repository()->lastUpdated(), kNow.addSecs(120));
    }

    void revisedEventKeepsStoredValues()
    {
        auto repo = repository();
        serve({row("es1", 30, 1.2, "NW LANZAROTE")});
        refreshAndWait(*repo);
        serve({row("es1", 30, 3.3, "NORTE LANZAROTE"), row("es2", 5, 2.0)});
        refreshAndWait(*repo);
        QCOMPARE(m_sender.identifiers(), QStringList({"es1", "es2"}));
        FetchDescriptor all;
        all.sortByDate = SortOrder::Forward;
        const auto stored = m_context->fetch(all).value();
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored.at(0)->magnitude(), 1.2);
        QCOMPARE(stored.at(0)->location(), QStringLiteral("NW LANZAROTE"));
        QCOMPARE(stored.at(1)->fetchedAt(), kNow);
    }

    void failedRefresh_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::newRow("server error") << "500";
        QTest::newRow("connection refused") << "refused";
        QTest::newRow("page without table") << "notable";
        QTest::newRow("page cut short") << "cut";
    }
    void failedRefresh()
    {
        QFETCH(QString, failure);
        const QDateTime before = kNow.addDays(-1);
        m_defaults->setDate(EarthquakeRepository::lastUpdatedKey, before);
        std::unique_ptr<EarthquakeDataSource> source;
        if (failure == "refused")
            source = std::make_unique<PageSource>(QUrl(QStringLiteral("http://127.0.0.1:%1/page").arg(HttpTestServer::refusedPort())));
        else if (failure == "500")
            m_server.setResponse(QStringLiteral("/page"), {500, {}, "oops"});
        else if (failure == "notable")
            m_server.setResponse(QStringLiteral("/page"), {200, {}, "<html><p>mantenimiento</p></html>"});
        else
            serveCutShort({row("es1", 30), row("es2", 20), row("es3", 10), row("es4", 5)});
        EarthquakeRepository repo(m_context.get(), std::move(source), environment());
        QCOMPARE(repo.lastUpdated(), before);

        QStringList log;
        connect(&repo, &EarthquakeRepository::isLoadingChanged, this, [&](bool v) { log << (v ? "loading" : "idle"); });
        connect(&repo, &EarthquakeRepository::isCoolingDownChanged, this, [&](bool v) { log << (v ? "cooling" : "cooled"); });
        refreshAndWait(repo, true);
        QVERIFY(repo.lastError());
        QVERIFY(!repo.lastError()->description.isEmpty());
        QCOMPARE(repo.property("lastError").toString(), repo.lastError()->description);
        QCOMPARE(repo.lastUpdated(), before);
        QCOMPARE(m_defaults->dateValue(EarthquakeRepository::lastUpdatedKey), before);
        // The cooldown starts after a failure too, and is published before loading ends.
        QCOMPARE(log, QStringList({"loading", "cooling", "idle"}));
        QVERIFY(repo.isCoolingDown());
        QCOMPARE(repo.cooldownRemainingSeconds(), 60);
        QVERIFY(m_sender.alerts.isEmpty());
        QVERIFY(storedIDs(*m_context).isEmpty());
        if (failure == "cut")
            QCOMPARE(*repo.lastError(), HTMLParser::incompleteResponseError());

        if (failure == "refused")
            return;
        // The next successful refresh clears the error.
        QSignalSpy errors(&repo, &EarthquakeRepository::lastErrorChanged);
        serve({row("es1", 5)});
        refreshAndWait(repo);
        QVERIFY(!repo.lastError());
        QVERIFY(repo.lastErrorDescription().isEmpty());
        QCOMPARE(errors.size(), 1);
        QCOMPARE(repo.lastUpdated(), kNow);
        QVERIFY(repo.isCoolingDown());  // a refresh without cooldown leaves the countdown running
    }

    void refreshDuringRefreshReturnsAtOnce()
    {
        auto repo = repository();
        serve({row("es1", 5)}, 300);
        const int before = m_server.requestCount();
        bool firstDone = false;
        repo->refresh(false, this, [&] { firstDone = true; });
        QVERIFY(repo->isLoading());

        QSignalSpy loading(repo.get(), &EarthquakeRepository::isLoadingChanged);
        QSignalSpy cooling(repo.get(), &EarthquakeRepository::isCoolingDownChanged);
        bool secondDone = false;
        repo->refresh(true, this, [&] { secondDone = true; });
        QVERIFY(secondDone);  // before refresh() returned
        QVERIFY(!firstDone);
        QCOMPARE(loading.size(), 0);

        QTRY_VERIFY_WITH_TIMEOUT(firstDone, TestWait::bound);
        QCOMPARE(m_server.requestCount() - before, 1);
        QCOMPARE(cooling.size(), 0);
        QVERIFY(!repo->isCoolingDown());
        QCOMPARE(m_sender.alerts.size(), 1);
    }

    void swarmRuleSeesTheNewEvent()
    {
        m_settings->setGlobalMagnitudeEnabled(false);
        m_settings->setSwarmNotificationsEnabled(true);
        QList<CatalogueRow> rows;
        for (int i = 0; i < 9; ++i) {
            rows << row(QStringLiteral("old%1").arg(i), 9 - i);
            m_context->insert(std::make_shared<Earthquake>(rows.last().eventID, rows.last().date, 28.1, -16.5, 10, 2.0,
                                                           "mbLg", std::nullopt, "X", kNow));
        }
        rows << row(QStringLiteral("old-enough"), 11);
        m_context->insert(std::make_shared<Earthquake>("old-enough", rows.last().date, 28.1, -16.5, 10, 2.0, "mbLg",
                                                       std::nullopt, "X", kNow));
        QVERIFY(m_context->save());
        auto repo = repository();

        // Nine stored in the last ten minutes: one more is a swarm.
        serve(rows + QList<CatalogueRow>{row("new", 0)});
        refreshAndWait(*repo);
        QCOMPARE(m_sender.alerts.size(), 1);
        const auto alert = m_sender.alerts.at(0);
        QCOMPARE(alert.kind, EarthquakeNotificationEvent::Kind::Swarm);
        QCOMPARE(alert.count, 10);
        QCOMPARE(alert.windowMinutes, 10);
        QCOMPARE(m_defaults->dateValue(NotificationFilter::cooldownKey(10, 10)), kNow);
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

    void cooldownCountsDown()
    {
        auto repo = repository(nullptr, 5);
        serve({row("es1", 5)});
        QList<int> remaining;
        QStringList log;
        connect(repo.get(), &EarthquakeRepository::cooldownRemainingSecondsChanged, this, [&](int s) {
            remaining << s;
            log << QString::number(s);
        });
        connect(repo.get(), &EarthquakeRepository::isCoolingDownChanged, this,
                [&](bool v) { log << (v ? "cooling" : "cooled"); });
        refreshAndWait(*repo, true);
        QVERIFY(repo->isCoolingDown());
        QTRY_VERIFY_WITH_TIMEOUT(!repo->isCoolingDown(), TestWait::bound);
        QList<int> expected;
        for (int s = 60; s >= 0; --s)
            expected << s;
        expected << 0;
        QCOMPARE(remaining, expected);
        QCOMPARE(log.mid(0, 2), QStringList({"60", "cooling"}));
        QCOMPARE(log.mid(log.size() - 3), QStringList({"0", "cooled", "0"}));
        QCOMPARE(repo->cooldownRemainingSeconds(), 0);
    }

    // Mended: two rows with one identifier in one page.
    void duplicateIdentifiersInOnePage()
    {
        auto repo = repository();
        serve({row("dup", 10, 3.1, "FIRST"), row("es2", 8), row("dup", 6, 4.4, "SECOND")});
        refreshAndWait(*repo);
        QVERIFY(!repo->lastError());
        QCOMPARE(storedIDs(*m_context), QStringList({"dup", "es2"}));
        QCOMPARE(m_sender.identifiers(), QStringList({"dup", "es2"}));
        QCOMPARE(m_sender.alerts.at(0).earthquake->location(), QStringLiteral("FIRST"));
        m_sender.alerts.clear();
        refreshAndWait(*repo);
        QVERIFY(!repo->lastError());
        QVERIFY(m_sender.alerts.isEmpty());
    }

    // Mended: unreadable stored identifiers must not make every row new.
    void unreadableStoredIdentifiersFailTheRefresh()
    {
        auto repo = repository();
        serve({row("es1", 10), row("es2", 5)});
        refreshAndWait(*repo);
        m_sender.alerts.clear();
        m_context->failStoredIDs = true;
        m_now = kNow.addSecs(60);
        serve({row("es1", 10), row("es2", 5), row("es3", 1)});
        refreshAndWait(*repo);
        QVERIFY(repo->lastError());
        QCOMPARE(repo->lastError()->description, QStringLiteral("disk I/O error"));
        QVERIFY(m_sender.alerts.isEmpty());
        QCOMPARE(storedIDs(*m_context), QStringList({"es1", "es2"}));
        QCOMPARE(repo->lastUpdated(), kNow);
        QVERIFY(!m_context->hasChanges());

        m_context->failStoredIDs = false;
        refreshAndWait(*repo);
        QCOMPARE(m_sender.identifiers(), QStringList({"es3"}));
    }

    // Mended: a failed save of the real store leaves nothing staged, so the next refresh
    // stores and alerts the same events.
    void failedSaveIsRetriedByTheNextRefresh()
    {
        auto repo = repository();
        serve({row("es1", 10), row("es2", 5)});
        QSqlQuery refuse(m_container->database());
        QVERIFY(refuse.exec(QStringLiteral(
            "CREATE TRIGGER refuse BEFORE INSERT ON Earthquake BEGIN SELECT RAISE(ABORT, 'refused'); END")));
        refreshAndWait(*repo);
        QVERIFY(repo->lastError());
        QCOMPARE(repo->lastError()->domain, Error::Domain::Store);
        QVERIFY(m_sender.alerts.isEmpty());
        QVERIFY(!repo->lastUpdated());
        QVERIFY(!m_defaults->dateValue(EarthquakeRepository::lastUpdatedKey));
        QVERIFY(!m_context->hasChanges());
        QVERIFY(storedIDs(*m_context).isEmpty());

        QVERIFY(refuse.exec(QStringLiteral("DROP TRIGGER refuse")));
        refreshAndWait(*repo);
        QVERIFY(!repo->lastError());
        QCOMPARE(storedIDs(*m_context), QStringList({"es1", "es2"}));
        QCOMPARE(m_sender.identifiers(), QStringList({"es1", "es2"}));
        QCOMPARE(repo->lastUpdated(), kNow);
    }

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

    // The real store's failed save: a row that breaks the table's rules rolls everything back.
    void storeRollbackDropsStagedEvents()
    {
        auto earthquake = [](const QString &id) {
            return std::make_shared<Earthquake>(id, kNow, 28.1, -16.5, 10, 2.0, "mbLg", std::nullopt, "X", kNow);
        };
        QSqlQuery(m_container->database()).exec(QStringLiteral(
            "CREATE TRIGGER refuse BEFORE INSERT ON Earthquake WHEN NEW.eventID = 'bad' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        ModelContext context(m_container.get());
        context.insert(earthquake("good"));
        context.insert(earthquake("bad"));
        QVERIFY(!context.save());
        QVERIFY(!context.hasChanges());
        QVERIFY(storedIDs(context).isEmpty());
    }

    void destroyedRepositoryIsNeverReachedByItsDownload()
    {
        auto repo = repository();
        serve({row("es1", 5)}, 200);
        bool done = false;
        repo->refresh(true, this, [&] { done = true; });
        QTRY_COMPARE_WITH_TIMEOUT(m_server.requestCount(QStringLiteral("/page")) > 0, true, TestWait::bound);
        repo.reset();
        QTest::qWait(500);
        QVERIFY(!done);
        QVERIFY(m_sender.alerts.isEmpty());
        QVERIFY(storedIDs(*m_context).isEmpty());
    }

    void finishedCallbackFollowsItsReceiver()
    {
        auto repo = repository();
        serve({row("es1", 5)}, 100);
        bool done = false;
        auto receiver = std::make_unique<QObject>();
        repo->refresh(false, receiver.get(), [&] { done = true; });
        receiver.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!repo->isLoading(), TestWait::bound);
        QVERIFY(!done);
        QCOMPARE(storedIDs(*m_context), QStringList({"es1"}));
    }

    void lastUpdatedCountsOnlyWhenStoredAsDate_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("present");
        QTest::newRow("date") << QVariant(kNow) << true;
        QTest::newRow("text") << QVariant(QStringLiteral("2025-06-01T12:00:00Z")) << false;
        QTest::newRow("number") << QVariant(1748779200.0) << false;
        QTest::newRow("absent") << QVariant() << false;
    }
    void lastUpdatedCountsOnlyWhenStoredAsDate()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, present);
        if (stored.isValid())
            m_defaults->setValue(EarthquakeRepository::lastUpdatedKey, stored);
        auto repo = repository();
        QCOMPARE(repo->lastUpdated().has_value(), present);
        QCOMPARE(repo->property("lastUpdated").toDateTime().isValid(), present);
    }
};

QTEST_GUILESS_MAIN(RepositoryTest)
#include "tst_repository.moc"
