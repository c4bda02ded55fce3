#include "DataSources/EarthquakeDataSource.h"
#include "Notifications/NotificationSettings.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/Localization.h"
#include "Platform/NamedNotifications.h"
#include "Platform/UserDefaults.h"
#include "Repositories/EarthquakeRepository.h"
#include "ViewModels/EarthquakeDetailViewModel.h"
#include "ViewModels/EarthquakeListViewModel.h"
#include "TestWait.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A catalogue source whose downloads the test completes by hand.
class ManualDataSource : public EarthquakeDataSource {
public:
    struct Pending {
        QPointer<QObject> context;
        FetchCompletion completion;
    };
    const Region &region() const override { return Region::canaryIslands(); }
    void fetchEarthquakes(QObject *context, FetchCompletion completion) override
    {
        ++fetches;
        if (onFetch)
            onFetch();
        pending.append({context, std::move(completion)});
    }
    void completeAll()
    {
        const auto all = std::exchange(pending, {});
        for (const Pending &p : all) {
            if (p.context)
                p.completion(Error{Error::Domain::Transport, 1, QStringLiteral("offline")});
        }
    }
    int fetches = 0;
    std::function<void()> onFetch;
    QList<Pending> pending;
};

struct Fixture {
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.conf"))};
    NotificationSettings settings{defaults};
    std::unique_ptr<ModelContainer> store = std::move(*ModelContainer::open({QString(), true}));
    ManualDataSource *source = nullptr;
    std::unique_ptr<EarthquakeRepository> repository;
    std::unique_ptr<EarthquakeListViewModel> viewModel;

    EarthquakeRepository::Environment environment()
    {
        EarthquakeRepository::Environment env;
        env.defaults = &defaults;
        env.settings = &settings;
        return env;
    }

    Fixture()
    {
        auto s = std::make_unique<ManualDataSource>();
        source = s.get();
        repository = std::make_unique<EarthquakeRepository>(store->mainContext(), std::move(s), environment());
        viewModel = std::make_unique<EarthquakeListViewModel>(repository.get(), &settings);
        viewModel->setMillisecondsPerSecond(5.0);  // five minutes last 1.5 s: wide windows, steady on a busy machine
    }
};

}  // namespace

class TestLatestViewModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Localization::setTableForTesting({}); }

    void filters()
    {
        QCOMPARE(MagnitudeFilter::allCases().size(), size_t(6));
        QCOMPARE(MagnitudeFilter(MagnitudeFilter::Low).localizedLabel(), QStringLiteral("Minor"));
        QCOMPARE(MagnitudeFilter(MagnitudeFilter::Low).category(), std::optional(MagnitudeCategory(MagnitudeCategory::Low)));
        QCOMPARE(MagnitudeFilter(MagnitudeFilter::All).category(), std::nullopt);
        QCOMPARE(MagnitudeFilter::fromRawValue(QStringLiteral("Low")), std::nullopt);
        QCOMPARE(DateFilter::fromRawValue(QStringLiteral("last24h")), std::optional(DateFilter(DateFilter::Last24h)));
        QCOMPARE(DateFilter(DateFilter::Last7d).localizedLabel(), QStringLiteral("Last 7 days"));
        const QDateTime now(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC);
        QCOMPARE(DateFilter(DateFilter::LastHour).cutoffDate(now), std::optional(now.addSecs(-3600)));
        QCOMPARE(DateFilter(DateFilter::Last30d).cutoffDate(now), std::optional(now.addSecs(-2592000)));
        QCOMPARE(DateFilter(DateFilter::All).cutoffDate(now), std::nullopt);
    }

    void subtitle_data()
    {
        QTest::addColumn<double>("elapsedSeconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("59.9 s") << 59.9 << "updated just now";
        QTest::newRow("in the future") << -500.0 << "updated just now";
        QTest::newRow("60 s") << 60.0 << "updated 1 min ago";
        QTest::newRow("3599 s") << 3599.0 << "updated 59 min ago";
        QTest::newRow("3600 s") << 3600.0 << "updated 1 h ago";
        QTest::newRow("86399 s") << 86399.0 << "updated 23 h ago";
        QTest::newRow("86400 s") << 86400.0 << "updated 1 day(s) ago (05 Mar 2025)";
        QTest::newRow("ten days") << 864000.5 << "updated 10 day(s) ago (05 Mar 2025)";
    }
    void subtitle()
    {
        QFETCH(double, elapsedSeconds);
        QFETCH(QString, expected);
        Fixture f;
        const QDateTime lastUpdated(QDate(2025, 3, 5), QTime(14, 7, 33), Qt::UTC);
        f.defaults.setDate(QStringLiteral("lastUpdatedEarthquakes"), lastUpdated);
        EarthquakeRepository repository(f.store->mainContext(), std::make_unique<ManualDataSource>(), f.environment());
        EarthquakeListViewModel vm(&repository, &f.settings);
        vm.setLocale(QLocale(QStringLiteral("en_US")));
        vm.setNow([&] { return lastUpdated.addMSecs(qint64(elapsedSeconds * 1000)); });
        QCOMPARE(vm.lastUpdatedSubtitle(), std::optional(expected));
    }

    void noSubtitleWithoutAnUpdate()
    {
        Fixture f;
        QCOMPARE(f.viewModel->lastUpdatedSubtitle(), std::nullopt);
    }

    void searchIsDebounced()
    {
        Fixture f;
        QSignalSpy debounced(f.viewModel.get(), &EarthquakeListViewModel::debouncedSearchTextChanged);
        QTRY_COMPARE_WITH_TIMEOUT(debounced.count(), 1, TestWait::bound);  // the initial empty text passes once
        auto *wait = f.viewModel->findChild<QTimer *>(QStringLiteral("searchDebounceWait"));
        QVERIFY(wait);
        QSignalSpy waitEnded(wait, &QTimer::timeout);
        f.viewModel->setSearchText(QStringLiteral("a"));
        f.viewModel->setSearchText(QStringLiteral("ab"));
        f.viewModel->setSearchText(QStringLiteral("a"));
        QVERIFY(wait->isActive());  // held until the pause is over
        QCOMPARE(debounced.count(), 1);
        QVERIFY(waitEnded.wait(TestWait::bound));
        QCOMPARE(waitEnded.count(), 1);  // one pass for the burst
        QCOMPARE(debounced.count(), 2);
        QCOMPARE(f.viewModel->debouncedSearchText(), QStringLiteral("a"));
        // The same text again passes nothing on once its wait is over.
        f.viewModel->setSearchText(QStringLiteral("ab"));
        f.viewModel->setSearchText(QStringLiteral("a"));
        QVERIFY(waitEnded.wait(TestWait::bound));
        QCOMPARE(debounced.count(), 2);
    }

    void userRefreshIsRefusedWhileLoadingOrCoolingDown()
    {
        Fixture f;
        f.viewModel->manualRefresh();
        QCOMPARE(f.source->fetches, 1);
        QVERIFY(f.repository->isLoading());
        f.viewModel->manualRefresh();  // loading: refused
        QCOMPARE(f.source->fetches, 1);
        f.source->completeAll();
        QVERIFY(!f.repository->isLoading());
        QVERIFY(f.repository->isCoolingDown());
        f.viewModel->manualRefresh();  // cooling down: refused
        QCOMPARE(f.source->fetches, 1);
        f.viewModel->refresh();  // other triggers refresh during the cooldown
        QCOMPARE(f.source->fetches, 2);
    }

    void activationRestartsThePeriodicRefreshBeforeRefreshing()
    {
        Fixture f;
        f.settings.setRefreshInterval(RefreshInterval::FiveMinutes);
        QCoreApplication::processEvents();
        bool periodicRunningAtFetch = false;
        f.source->onFetch = [&] { periodicRunningAtFetch = f.viewModel->isAutoRefreshRunning(); };
        NamedNotifications::defaultCenter()->post(NamedNotifications::appDidBecomeActive);
        QCOMPARE(f.source->fetches, 0);  // delivered on a later turn of the event loop
        QTRY_COMPARE_WITH_TIMEOUT(f.source->fetches, 1, TestWait::bound);
        QVERIFY(periodicRunningAtFetch);
    }

    void appearanceStartsThePeriodicRefreshAfterItsRefresh()
    {
        Fixture f;
        f.settings.setRefreshInterval(RefreshInterval::FiveMinutes);  // 1.5 s here
        QCoreApplication::processEvents();
        f.viewModel->stopAutoRefresh();  // undo the restart that the assignment queued
        f.viewModel->onAppear();
        QCOMPARE(f.source->fetches, 1);
        QVERIFY(!f.viewModel->isAutoRefreshRunning());
        f.source->completeAll();
        QVERIFY(f.viewModel->isAutoRefreshRunning());
        QTest::qWait(100);
        QCOMPARE(f.source->fetches, 1);  // never at once: one full period first
        QTRY_COMPARE_WITH_TIMEOUT(f.source->fetches, 2, TestWait::bound);
        // The next wait begins only when this refresh has returned.
        const auto *wait = f.viewModel->findChild<QTimer *>(QStringLiteral("periodicRefreshWait"));
        QVERIFY(wait);
        QVERIFY(!wait->isActive());
        f.source->completeAll();
        QVERIFY(wait->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(f.source->fetches, 3, TestWait::bound);
        QVERIFY(!wait->isActive());
        f.source->completeAll();
        f.viewModel->stopAutoRefresh();
        QVERIFY(!wait->isActive());  // nothing left to fire
        QCOMPARE(f.source->fetches, 3);
    }

    void intervalChangesRestartOrStopThePeriodicRefresh()
    {
        Fixture f;
        f.settings.setRefreshInterval(RefreshInterval::FiveMinutes);
        QTRY_VERIFY_WITH_TIMEOUT(f.viewModel->isAutoRefreshRunning(), TestWait::bound);
        f.settings.setRefreshInterval(RefreshInterval::Disabled);
        QTRY_VERIFY_WITH_TIMEOUT(!f.viewModel->isAutoRefreshRunning(), TestWait::bound);
        QTest::qWait(1800);
        QCOMPARE(f.source->fetches, 0);
    }

    void restartingNeverCancelsARunningRefresh()
    {
        Fixture f;
        f.settings.setRefreshInterval(RefreshInterval::FiveMinutes);
        QTRY_VERIFY_WITH_TIMEOUT(f.viewModel->isAutoRefreshRunning(), TestWait::bound);
        QTRY_COMPARE_WITH_TIMEOUT(f.source->fetches, 1, TestWait::bound);  // the periodic refresh runs
        f.viewModel->startAutoRefresh();                          // e.g. the interval changed
        f.viewModel->stopAutoRefresh();
        QCOMPARE(f.source->pending.size(), 1);
        QVERIFY(f.source->pending.first().context);  // still awaited, not abandoned
        f.source->completeAll();
        QVERIFY(!f.repository->isLoading());
        QTest::qWait(1800);
        QCOMPARE(f.source->fetches, 1);  // a stopped periodic refresh schedules nothing more
    }

    void viewModelGoneMeansNoMoreRefreshes()
    {
        Fixture f;
        f.settings.setRefreshInterval(RefreshInterval::FiveMinutes);
        QTRY_VERIFY_WITH_TIMEOUT(f.viewModel->isAutoRefreshRunning(), TestWait::bound);
        f.viewModel.reset();
        QTest::qWait(1800);
        QCOMPARE(f.source->fetches, 0);
        NamedNotifications::defaultCenter()->post(NamedNotifications::appDidBecomeActive);
        QTest::qWait(20);
        QCOMPARE(f.source->fetches, 0);
    }

    void detailNearbyEvents_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("shownIndex");  // 0 = newest
        QTest::addColumn<int>("expected");
        QTest::newRow("only the shown event") << 1 << 0 << 0;
        QTest::newRow("shown is the newest of 250") << 250 << 0 << 199;
        QTest::newRow("shown older than the 200 newest") << 250 << 230 << 200;
    }
    void detailNearbyEvents()
    {
        QFETCH(int, stored);
        QFETCH(int, shownIndex);
        QFETCH(int, expected);
        auto store = std::move(*ModelContainer::open({QString(), true}));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        EarthquakeList all;
        for (int i = 0; i < stored; ++i) {
            auto e = std::make_shared<Earthquake>(QStringLiteral("ev%1").arg(i), now.addSecs(-60 * i), 28.0, -16.0, 10,
                                                  2.0, QStringLiteral("mbLg"), std::nullopt, QStringLiteral("X"));
            all << e;
            store->mainContext()->insert(e);
        }
        QVERIFY(store->mainContext()->save());
        EarthquakeDetailViewModel vm(all.at(shownIndex));
        QSignalSpy changed(&vm, &EarthquakeDetailViewModel::nearbyEarthquakesChanged);
        vm.loadNearby(store->mainContext());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(vm.nearbyEarthquakes().size(), expected);
        for (const auto &e : vm.nearbyEarthquakes())
            QVERIFY(e->eventID() != all.at(shownIndex)->eventID());
        if (expected > 1)
            QVERIFY(vm.nearbyEarthquakes().at(0)->date() >= vm.nearbyEarthquakes().at(1)->date());
    }

    void detailTitleAndRows()
    {
        auto e = std::make_shared<Earthquake>(QStringLiteral("es1"), QDateTime(QDate(2025, 12, 31), QTime(23, 30), Qt::UTC),
                                              28.45, -14.02, 12.0, 3.1, QStringLiteral("mbLg"), std::nullopt,
                                              QStringLiteral("NW LANZAROTE"));
        EarthquakeDetailViewModel vm(e);
        QCOMPARE(vm.title(), QStringLiteral("M 3.1 \u2014 NW LANZAROTE"));
        const QVariantList rows = vm.rows();
        QCOMPARE(rows.size(), 5);  // no intensity row
        auto value = [&](int i) { return rows.at(i).toMap().value(QStringLiteral("value")).toString(); };
        QVERIFY2(value(0).endsWith(QStringLiteral(" UTC")) && value(0).contains(QStringLiteral("31")), qPrintable(value(0)));
        QCOMPARE(value(1), QStringLiteral("28.4500°, -14.0200°"));
        QCOMPARE(value(2), QStringLiteral("12 km"));
        QCOMPARE(value(3), QStringLiteral("3.1 mbLg"));
        QCOMPARE(value(4), QStringLiteral("NW LANZAROTE"));
        e->setMaxIntensity(QStringLiteral("IV"));
        QCOMPARE(vm.rows().size(), 6);
        QCOMPARE(vm.rows().at(4).toMap().value(QStringLiteral("icon")).toString(), QStringLiteral("bolt.fill"));
    }
};

QTEST_GUILESS_MAIN(TestLatestViewModel)
#include "tst_latest_viewmodel.moc"
