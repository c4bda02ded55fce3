#include "FakeNotificationServer.h"
#include "Networking/HTMLParser.h"
#include "Notifications/NotificationFilter.h"
#include "RepositoryFixture.h"

#include <QSignalSpy>
#include <QSqlQuery>

namespace {

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

}  // namespace

class RepositoryTest : public RepositoryFixture {
    Q_OBJECT

private slots:
    void initTestCase() { startServer(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

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
