// The map's view model and its filtered events, headless, over a real store file.
#include "DataSources/EarthquakeDataSource.h"
#include "Notifications/NotificationSettings.h"
#include "Persistence/EarthquakeSnapshot.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/Localization.h"
#include "Platform/UserDefaults.h"
#include "Repositories/EarthquakeRepository.h"
#include "ViewModels/MapEarthquakesModel.h"
#include "ViewModels/MapViewModel.h"
#include "TestWait.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC);

// A catalogue source that holds each download until the test ends it.
class HeldDataSource : public EarthquakeDataSource {
public:
    const Region &region() const override { return Region::canaryIslands(); }
    void fetchEarthquakes(QObject *context, FetchCompletion completion) override
    {
        ++fetches;
        pending.append({context, std::move(completion)});
    }
    void failAll()
    {
        const auto all = std::exchange(pending, {});
        for (const auto &p : all) {
            if (p.first)
                p.second(Error{Error::Domain::Transport, 1, QStringLiteral("offline")});
        }
    }
    int fetches = 0;
    QList<QPair<QPointer<QObject>, FetchCompletion>> pending;
};

struct Fixture {
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.conf"))};
    NotificationSettings settings{defaults};
    std::unique_ptr<ModelContainer> store =
        std::move(*ModelContainer::open({dir.filePath(QStringLiteral("earthquakes.sqlite")), false}));
    HeldDataSource *source = nullptr;
    std::unique_ptr<EarthquakeRepository> repository;
    MapViewModel viewModel;
    MapEarthquakesModel model;

    Fixture()
    {
        auto s = std::make_unique<HeldDataSource>();
        source = s.get();
        EarthquakeRepository::Environment env;
        env.defaults = &defaults;
        env.settings = &settings;
        repository = std::make_unique<EarthquakeRepository>(store->mainContext(), std::move(s), env);
        viewModel.setRepository(repository.get());
        model.setNow([] { return kNow; });
        model.setViewModel(&viewModel);
        model.setContext(store->mainContext());
    }
    void stage(const QString &id, const QDateTime &date, double magnitude = 2.5, double latitude = 28.0)
    {
        store->mainContext()->insert(std::make_shared<Earthquake>(id, date, latitude, -16.0, 10, magnitude,
                                                                  QStringLiteral("mbLg"), std::nullopt,
                                                                  QStringLiteral("NE TENERIFE")));
    }
    void add(const QString &id, qint64 msAgo, double magnitude = 2.5, double latitude = 28.0)
    {
        stage(id, kNow.addMSecs(-msAgo), magnitude, latitude);
        save();
    }
    // Saved, and merged by the snapshot in the background: the markers follow its notice.
    void save()
    {
        QVERIFY(store->mainContext()->save());
        QVERIFY(QTest::qWaitFor([this] { return !store->snapshot()->isBusy(); }, TestWait::bound));
    }
    QStringList shownIds() const
    {
        const std::vector<qint64> rows = model.shownRows();
        const auto records = store->mainContext()->fetchRows(QList<qint64>(rows.cbegin(), rows.cend()));
        QHash<qint64, QString> byRow;
        for (const auto &e : *records)
            byRow.insert(e->id().value, e->eventID());
        QStringList out;
        for (qint64 r : rows)
            out << byRow.value(r);
        return out;
    }
    QString newestEventID() const { return model.newest().eventID(); }
};

}  // namespace

class TestMapViewModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Localization::setTableForTesting({}); }

    void freshState()
    {
        Fixture f;
        QCOMPARE(f.viewModel.selectedFilterRaw(), QStringLiteral("all"));
        QCOMPARE(f.viewModel.selectedDateFilterRaw(), QStringLiteral("all"));
        QVERIFY(!f.viewModel.selectedEarthquake().isValid());
        QVERIFY(f.viewModel.filtersAreDefault());
        QCOMPARE(f.model.count(), 0);
        QCOMPARE(f.model.newestId(), QString());
    }

    void everyAssignmentIsAnnounced()
    {
        Fixture f;
        QSignalSpy magnitude(&f.viewModel, &MapViewModel::selectedFilterChanged);
        QSignalSpy date(&f.viewModel, &MapViewModel::selectedDateFilterChanged);
        QSignalSpy selection(&f.viewModel, &MapViewModel::selectedEarthquakeChanged);
        QSignalSpy markers(&f.model, &MapEarthquakesModel::markersChanged);
        f.viewModel.setSelectedFilterRaw(QStringLiteral("all"));
        f.viewModel.setSelectedFilterRaw(QStringLiteral("all"));
        f.viewModel.setSelectedDateFilterRaw(QStringLiteral("lastHour"));
        f.viewModel.setSelectedDateFilterRaw(QStringLiteral("lastHour"));
        f.viewModel.clearSelection();
        f.viewModel.clearSelection();
        QCOMPARE(magnitude.size(), 2);
        QCOMPARE(date.size(), 2);
        QCOMPARE(selection.size(), 2);
        QCOMPARE(markers.size(), 4);  // the map recomputes on every filter assignment
        f.viewModel.setSelectedFilterRaw(QStringLiteral("Strong"));  // not a raw value: ignored
        QCOMPARE(magnitude.size(), 2);
    }

    // A recompute that shows the same events hands the layer the set it holds, which it
    // takes as no change: appearances, repeated choices and the minute's tick rebuild nothing.
    void sameShownEventsKeepTheSet()
    {
        Fixture f;
        f.add(QStringLiteral("small"), 60000, 2.5);
        f.add(QStringLiteral("strong"), 120000, 4.5);
        const MarkerSet all = f.model.markerSet();
        QCOMPARE(all.count(), 2);
        f.model.recompute();
        f.viewModel.setSelectedFilterRaw(QStringLiteral("all"));
        f.viewModel.setSelectedDateFilterRaw(QStringLiteral("last24h"));  // hides neither
        QVERIFY(f.model.isTicking());
        f.model.recompute();  // what the tick does
        QVERIFY(f.model.markerSet() == all);

        f.viewModel.setSelectedFilterRaw(QStringLiteral("low"));
        const MarkerSet low = f.model.markerSet();
        QCOMPARE(low.count(), 1);
        QVERIFY(!(low == all));
        f.viewModel.setSelectedFilterRaw(QStringLiteral("all"));
        QCOMPARE(f.model.markerSet().count(), 2);
        // a save that adds an event is a new set
        const MarkerSet before = f.model.markerSet();
        f.add(QStringLiteral("newer"), 30000, 2.0);
        QCOMPARE(f.model.markerSet().count(), 3);
        QVERIFY(!(f.model.markerSet() == before));
    }

    void appearancesRefreshWithoutCooldown()
    {
        Fixture f;
        f.viewModel.onAppear();
        QVERIFY(f.repository->isLoading());
        f.viewModel.onAppear();  // refused by the repository while the first runs
        QCOMPARE(f.source->fetches, 1);
        f.source->failAll();
        QVERIFY(!f.repository->isLoading());
        QVERIFY(!f.repository->isCoolingDown());

        // a cooldown started elsewhere does not hold the map's refresh back
        f.repository->refresh(true);
        f.source->failAll();
        QVERIFY(f.repository->isCoolingDown());
        f.viewModel.onAppear();
        QCOMPARE(f.source->fetches, 3);
        f.source->failAll();
    }

    void magnitudeCategories_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all") << "all" << QStringList{"m7.0", "m6.0", "m4.0", "m3.99", "m2.0", "m1.99"};
        QTest::newRow("micro") << "micro" << QStringList{"m1.99"};
        QTest::newRow("low") << "low" << QStringList{"m3.99", "m2.0"};
        QTest::newRow("moderate") << "moderate" << QStringList{"m4.0"};
        QTest::newRow("strong") << "strong" << QStringList{"m6.0"};
        QTest::newRow("major") << "major" << QStringList{"m7.0"};
    }
    void magnitudeCategories()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        Fixture f;
        const double magnitudes[] = {1.99, 2.0, 3.99, 4.0, 6.0, 7.0};
        const char *ids[] = {"m1.99", "m2.0", "m3.99", "m4.0", "m6.0", "m7.0"};
        for (int i = 0; i < 6; ++i)
            f.add(QString::fromLatin1(ids[i]), (6 - i) * 1000, magnitudes[i]);
        f.viewModel.setSelectedFilterRaw(filter);
        QCOMPARE(f.shownIds(), expected);
    }

    void dateCutoff_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("last hour") << "lastHour" << QStringList{"future", "atCutoff"};
        QTest::newRow("last 24h") << "last24h" << QStringList{"future", "atCutoff", "beforeCutoff"};
        QTest::newRow("all") << "all" << QStringList{"future", "atCutoff", "beforeCutoff", "old"};
    }
    void dateCutoff()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        Fixture f;
        f.add(QStringLiteral("old"), 40LL * 86400 * 1000);
        f.add(QStringLiteral("beforeCutoff"), 3600 * 1000 + 1);
        f.add(QStringLiteral("atCutoff"), 3600 * 1000);
        f.add(QStringLiteral("future"), -3600 * 1000);  // dated ahead of the clock: passes every filter
        f.viewModel.setSelectedDateFilterRaw(filter);
        QCOMPARE(f.shownIds(), expected);
        QCOMPARE(f.newestEventID(), QStringLiteral("future"));
    }

    void newestWithTiesAndFilters()
    {
        Fixture f;
        // equal newest dates: the larger eventID is first, on every recompute and save
        f.add(QStringLiteral("B"), 0, 1.0);
        f.add(QStringLiteral("A"), 0, 3.0);
        f.add(QStringLiteral("C-older"), 5000, 3.0);
        QCOMPARE(f.newestEventID(), QStringLiteral("B"));
        f.model.recompute();
        QCOMPARE(f.newestEventID(), QStringLiteral("B"));
        // the ripple goes to the newest event that passes the filters
        QSignalSpy newest(&f.model, &MapEarthquakesModel::newestChanged);
        f.viewModel.setSelectedFilterRaw(QStringLiteral("low"));
        QCOMPARE(f.newestEventID(), QStringLiteral("A"));
        QCOMPARE(newest.size(), 1);
        f.viewModel.setSelectedFilterRaw(QStringLiteral("low"));
        QCOMPARE(newest.size(), 1);  // the same newest is not announced again
        f.viewModel.setSelectedFilterRaw(QStringLiteral("major"));
        QCOMPARE(f.model.newestId(), QString());
        QVERIFY(!f.model.newest().isValid());
    }

    void sameAsTheStoreQueryAfterSaves()
    {
        Fixture f;
        auto check = [&](const QString &magnitude, const QString &date) {
            f.viewModel.setSelectedFilterRaw(magnitude);
            f.viewModel.setSelectedDateFilterRaw(date);
            FetchDescriptor all;
            all.sortByDate = SortOrder::Reverse;
            const auto fetched = f.store->mainContext()->fetch(all);
            QVERIFY(fetched);
            const auto category = MagnitudeFilter::fromRawValue(magnitude)->category();
            const auto cutoff = DateFilter::fromRawValue(date)->cutoffDate(kNow);
            std::vector<qint64> expected;
            for (const auto &e : *fetched) {
                if (category && e->magnitudeCategory() != *category)
                    continue;
                if (cutoff && e->date() < *cutoff)
                    continue;
                expected.push_back(e->id().value);
            }
            QCOMPARE(f.model.shownRows(), expected);
        };
        for (int i = 0; i < 40; ++i)
            f.stage(QStringLiteral("base%1").arg(i, 2, 10, QLatin1Char('0')), kNow.addSecs(-i * 1800), i % 8 * 0.9);
        f.save();
        check(QStringLiteral("all"), QStringLiteral("all"));
        // newer, older and equal-date rows in one save
        f.stage(QStringLiteral("newer"), kNow.addSecs(60), 2.5);
        f.stage(QStringLiteral("older"), kNow.addDays(-20), 4.5);
        f.stage(QStringLiteral("base05-twin"), kNow.addSecs(-5 * 1800), 2.2);
        f.stage(QStringLiteral("base04-twin"), kNow.addSecs(-4 * 1800), 0.5);
        f.save();
        const QStringList magnitudes{"all", "micro", "low", "moderate"};
        const QStringList dates{"all", "lastHour", "last24h", "last30d"};
        for (const QString &m : magnitudes)
            for (const QString &d : dates)
                check(m, d);
        // a second save while a filter is set updates the shown rows too
        f.viewModel.setSelectedFilterRaw(QStringLiteral("low"));
        f.add(QStringLiteral("latest-low"), -120 * 1000, 3.0);
        QCOMPARE(f.newestEventID(), QStringLiteral("latest-low"));
        check(QStringLiteral("low"), QStringLiteral("all"));
    }

    // The map's per-event data is kept by the snapshot by its type, never looked up among the
    // snapshot's children: other children do not stand in for it.
    void markerDataBesideOtherChildren()
    {
        Fixture f;
        auto *other = new QObject(f.store->snapshot());
        other->setObjectName(QStringLiteral("not the map's data"));
        f.add(QStringLiteral("older"), 1000, 2.5);
        f.add(QStringLiteral("newer"), 0, 4.5);
        QCOMPARE(f.shownIds(), QStringList({"newer", "older"}));
        QCOMPARE(f.model.markerSet().data()->size(), size_t(2));
    }

    // Until the snapshot has loaded the map is empty and nothing waits for it; its notice
    // brings the markers.
    void emptyUntilTheSnapshotLoads()
    {
        QTemporaryDir dir;
        auto opened = ModelContainer::open({dir.filePath(QStringLiteral("e.sqlite")), false});
        QVERIFY(opened);
        auto store = std::move(*opened);
        store->mainContext()->insert(std::make_shared<Earthquake>(QStringLiteral("e1"), kNow, 28.0, -16.0, 10, 2.5,
                                                                  QStringLiteral("mb"), std::nullopt,
                                                                  QStringLiteral("ARICO")));
        QVERIFY(store->mainContext()->save());
        MapEarthquakesModel model;
        model.setContext(store->mainContext());
        QVERIFY(!store->snapshot()->isLoaded());
        QCOMPARE(model.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(model.count(), 1, TestWait::bound);
        QCOMPARE(model.newest().eventID(), QStringLiteral("e1"));
    }

    void hiddenModelPreparesOnThePool()
    {
        // Hidden, the model builds no markers; each change's per-event data is made on the
        // thread pool, and the appearance shows the events.
        Fixture f;
        f.store->snapshot()->waitForLoaded();
        f.model.setActive(false);
        QSignalSpy markers(&f.model, &MapEarthquakesModel::markersChanged);
        bool handedOff = false;
        connect(f.store->snapshot(), &EarthquakeSnapshot::changed, &f.model,
                [&] { handedOff = f.model.isPreparing(); });  // after the model's own handler
        QSignalSpy merged(f.store->snapshot(), &EarthquakeSnapshot::changed);
        f.stage(QStringLiteral("older"), kNow.addSecs(-60));
        f.stage(QStringLiteral("newer"), kNow, 4.5);
        QVERIFY(f.store->mainContext()->save());
        QVERIFY(merged.wait(TestWait::bound));
        QVERIFY(handedOff);
        QTRY_VERIFY_WITH_TIMEOUT(!f.model.isPreparing(), TestWait::bound);
        QCOMPARE(markers.count(), 0);
        QCOMPARE(f.model.count(), 0);

        f.model.setActive(true);
        QCOMPARE(f.model.count(), 2);
        QCOMPARE(f.newestEventID(), QStringLiteral("newer"));
    }

    void unplaceableEventsCountButAreNotDrawn()
    {
        Fixture f;
        f.add(QStringLiteral("placed"), 5000);
        f.add(QStringLiteral("pole"), 0, 2.5, 90.0);
        QCOMPARE(f.model.count(), 2);
        QCOMPARE(f.newestEventID(), QStringLiteral("pole"));  // newest all the same
        const MarkerData &data = *f.model.markerSet().data();
        int drawable = 0;
        for (size_t i = 0; i < data.size(); ++i)
            drawable += data.isDrawable(i) ? 1 : 0;
        QCOMPARE(drawable, 1);
    }

    void dateFilterFollowsTheClock()
    {
        Fixture f;
        QDateTime now = kNow;
        f.model.setNow([&] { return now; });
        f.add(QStringLiteral("recent"), 10 * 60 * 1000);
        QVERIFY(!f.model.isTicking());
        f.viewModel.setSelectedDateFilterRaw(QStringLiteral("lastHour"));
        QCOMPARE(f.shownIds(), QStringList{"recent"});
        QVERIFY(f.model.isTicking());
        // an hour later the event has expired without anything else happening
        f.model.setTickInterval(20);
        now = kNow.addSecs(3600);
        QTRY_COMPARE_WITH_TIMEOUT(f.model.count(), 0, TestWait::bound);
        f.viewModel.setSelectedDateFilterRaw(QStringLiteral("all"));
        QVERIFY(!f.model.isTicking());
    }

    void selectionHoldsTheRecordThroughFilters()
    {
        Fixture f;
        f.add(QStringLiteral("strong"), 1000, 6.2);
        f.add(QStringLiteral("small"), 0, 1.0);
        const EarthquakeItem strong = f.model.earthquakeFor(QString::number(f.model.shownRows().back()));
        QCOMPARE(strong.eventID(), QStringLiteral("strong"));
        f.viewModel.setSelectedEarthquake(strong);
        QCOMPARE(f.model.selectedId(), QString::number(strong.earthquake()->id().value));
        // a filter that hides it leaves the selection (and the callout) but no marker
        f.viewModel.setSelectedFilterRaw(QStringLiteral("moderate"));
        QCOMPARE(f.model.selectedId(), QString());
        QCOMPARE(f.viewModel.selectedEarthquake().eventID(), QStringLiteral("strong"));
        // a save reorders the rows: the selection is the record, not a position
        f.add(QStringLiteral("newest"), -5000, 6.5);
        f.viewModel.setSelectedFilterRaw(QStringLiteral("strong"));
        QCOMPARE(f.model.selectedId(), QString::number(strong.earthquake()->id().value));
        QCOMPARE(f.model.earthquakeFor(QStringLiteral("nonsense")).isValid(), false);
    }
};

QTEST_MAIN(TestMapViewModel)
#include "tst_map_viewmodel.moc"
