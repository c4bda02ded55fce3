#include "Persistence/EarthquakeSnapshot.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "ViewModels/StatsComputation.h"
#include "ViewModels/StatsViewModel.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include "TestWait.h"

#include <cmath>
#include <cstring>
#include <ctime>
#include <map>

namespace {

double number(const QJsonValue &v)
{
    if (v.isString()) {
        const QString s = v.toString();
        if (s == QLatin1String("nan"))
            return std::nan("");
        return s.startsWith(QLatin1Char('-')) ? -INFINITY : INFINITY;
    }
    return v.toDouble();
}

bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

QJsonObject readFixture(const QString &name)
{
    QFile f(QStringLiteral(SISMO_FIXTURES_DIR "/stats/") + name + QStringLiteral(".json"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object();
}

void setZone(const QByteArray &zone)
{
    qputenv("TZ", zone);
    ::tzset();
}

struct Store {
    QTemporaryDir dir;
    std::unique_ptr<ModelContainer> container;
};

// Writes the fixture's events into a new store file, dated relative to `now`.
std::unique_ptr<Store> storeOf(const QJsonObject &fixture, const QDateTime &now)
{
    auto store = std::make_unique<Store>();
    auto opened = ModelContainer::open({store->dir.filePath(QStringLiteral("store.sqlite")), false});
    if (!opened)
        return nullptr;
    store->container = std::move(*opened);
    ModelContext *context = store->container->mainContext();
    for (const QJsonValue &value : fixture.value(QStringLiteral("events")).toArray()) {
        const QJsonObject e = value.toObject();
        const qint64 date = now.toMSecsSinceEpoch() - qint64(e.value(QStringLiteral("ageMs")).toDouble());
        context->insert(std::make_shared<Earthquake>(
            e.value(QStringLiteral("id")).toString(), QDateTime::fromMSecsSinceEpoch(date, Qt::UTC),
            number(e.value(QStringLiteral("lat"))), number(e.value(QStringLiteral("lon"))),
            number(e.value(QStringLiteral("depth"))), number(e.value(QStringLiteral("mag"))), QStringLiteral("mbLg"),
            std::nullopt, e.value(QStringLiteral("place")).toString(), now));
    }
    if (!context->save())
        return nullptr;
    return store;
}

QString peakId(const std::optional<PeakEvent> &peak)
{
    return peak ? peak->earthquake().eventID() : QString();
}

// One update run to its publication: the snapshot loaded first (the screen's change notice
// asks again once it is), then the figures computed off the main thread. The depth analysis
// is the last figure announced.
bool updated(StatsViewModel &vm)
{
    if (vm.snapshot() && !vm.snapshot()->waitForLoaded())
        return false;
    QSignalSpy last(&vm, &StatsViewModel::depthStatChanged);
    vm.update();
    return !last.isEmpty() || last.wait(TestWait::bound);
}

}  // namespace

class TestStatsViewModel : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setZone("UTC"); }

    // Hand-worked figures for small stores. The periods are spans of seconds, so neither the
    // time zone nor a change of daylight saving time moves them.
    void goldenFixtures_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("now");
        const QStringList fixtures = {"empty", "only-low", "none-in-7-days", "full", "signed-zero", "infinite"};
        // Canary time moves from 01:00 WET to 02:00 WEST at 01:00 UTC on 29 March 2026.
        const QList<std::pair<const char *, QDateTime>> nows = {
            {"fixture", QDateTime()},
            {"before DST", QDateTime(QDate(2026, 3, 29), QTime(0, 59, 59, 999), Qt::UTC)},
            {"after DST", QDateTime(QDate(2026, 3, 29), QTime(1, 0), Qt::UTC)},
        };
        for (const QString &fixture : fixtures) {
            for (const QByteArray zone : {QByteArray("UTC"), QByteArray("Atlantic/Canary")}) {
                for (const auto &[label, now] : nows) {
                    QTest::addRow("%s %s %s", qPrintable(fixture), zone.constData(), label) << fixture << zone << now;
                }
            }
        }
    }

    void goldenFixtures()
    {
        QFETCH(QString, fixture);
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, now);
        const QJsonObject json = readFixture(fixture);
        QVERIFY(!json.isEmpty());
        if (!now.isValid())
            now = QDateTime::fromString(json.value(QStringLiteral("now")).toString(), Qt::ISODateWithMs);
        setZone(zone);

        auto store = storeOf(json, now);
        QVERIFY(store);
        StatsViewModel vm;
        vm.setContext(store->container->mainContext());
        vm.setNow([now] { return now; });
        QVERIFY(updated(vm));

        const QJsonObject expected = json.value(QStringLiteral("expected")).toObject();
        const QJsonArray counts = expected.value(QStringLiteral("counts")).toArray();
        QCOMPARE(vm.countLastHour(), counts.at(0).toInt());
        QCOMPARE(vm.countLast24h(), counts.at(1).toInt());
        QCOMPARE(vm.countLast7d(), counts.at(2).toInt());
        QCOMPARE(vm.countLast30d(), counts.at(3).toInt());
        QCOMPARE(peakId(vm.peakLast24h()), expected.value(QStringLiteral("peakLast24h")).toString());
        QCOMPARE(peakId(vm.peakLast7d()), expected.value(QStringLiteral("peakLast7d")).toString());
        QCOMPARE(vm.hasEvents(), !json.value(QStringLiteral("events")).toArray().isEmpty());

        const QJsonArray magnitudes = expected.value(QStringLiteral("magnitudeStats")).toArray();
        QCOMPARE(vm.magnitudeStats().size(), magnitudes.size());
        for (qsizetype i = 0; i < magnitudes.size(); ++i) {
            const MagnitudeStat &stat = vm.magnitudeStats().at(i);
            QCOMPARE(stat.category(), MagnitudeCategory::allCases()[size_t(i)]);
            QCOMPARE(stat.count(), magnitudes.at(i).toArray().at(0).toInt());
            QCOMPARE(stat.fraction(), magnitudes.at(i).toArray().at(1).toDouble());
        }

        const QJsonArray clusters = expected.value(QStringLiteral("topClusters")).toArray();
        QCOMPARE(vm.topClusters().size(), clusters.size());
        for (qsizetype i = 0; i < clusters.size(); ++i) {
            const ClusterStat &got = vm.topClusters().at(i);
            const QJsonObject want = clusters.at(i).toObject();
            QCOMPARE(got.id(), want.value(QStringLiteral("id")).toString());
            QCOMPARE(got.displayName(), want.value(QStringLiteral("displayName")).toString());
            QCOMPARE(got.count(), want.value(QStringLiteral("count")).toInt());
            QVERIFY2(same(got.averageMagnitude(), number(want.value(QStringLiteral("averageMagnitude")))),
                     qPrintable(QString::number(got.averageMagnitude(), 'g', 17)));
            QVERIFY(same(got.latKey(), number(want.value(QStringLiteral("latKey")))));
            QVERIFY(same(got.lonKey(), number(want.value(QStringLiteral("lonKey")))));
        }

        const QJsonValue depth = expected.value(QStringLiteral("depthStat"));
        QCOMPARE(vm.depthStat().has_value(), !depth.isNull());
        if (vm.depthStat()) {
            const QJsonObject want = depth.toObject();
            QVERIFY2(same(vm.depthStat()->averageDepth(), number(want.value(QStringLiteral("averageDepth")))),
                     qPrintable(QString::number(vm.depthStat()->averageDepth(), 'g', 17)));
            QCOMPARE(vm.depthStat()->shallowCount(), want.value(QStringLiteral("shallowCount")).toInt());
            QCOMPARE(vm.depthStat()->intermediateCount(), want.value(QStringLiteral("intermediateCount")).toInt());
            QCOMPARE(vm.depthStat()->deepCount(), want.value(QStringLiteral("deepCount")).toInt());
            QCOMPARE(vm.depthStat()->total(), want.value(QStringLiteral("total")).toInt());
        }
    }

    // Each of the nine figures announces itself once per update, in the order of the steps,
    // also when nothing changed.
    void everyUpdateAnnouncesEachFigureOnceInOrder()
    {
        auto store = storeOf(readFixture(QStringLiteral("full")), QDateTime::currentDateTimeUtc());
        QVERIFY(store);
        StatsViewModel vm;
        vm.setContext(store->container->mainContext());
        QStringList heard;
        const QList<std::pair<const char *, void (StatsViewModel::*)()>> signals_ = {
            {"countLastHour", &StatsViewModel::countLastHourChanged},
            {"countLast24h", &StatsViewModel::countLast24hChanged},
            {"countLast7d", &StatsViewModel::countLast7dChanged},
            {"countLast30d", &StatsViewModel::countLast30dChanged},
            {"peakLast24h", &StatsViewModel::peakLast24hChanged},
            {"peakLast7d", &StatsViewModel::peakLast7dChanged},
            {"magnitudeStats", &StatsViewModel::magnitudeStatsChanged},
            {"topClusters", &StatsViewModel::topClustersChanged},
            {"depthStat", &StatsViewModel::depthStatChanged},
        };
        QStringList order;
        for (const auto &[name, signal] : signals_) {
            order << QString::fromLatin1(name);
            connect(&vm, signal, this, [&heard, name] { heard << QString::fromLatin1(name); });
        }
        QVERIFY(updated(vm));
        QCOMPARE(heard, order);
        heard.clear();
        QVERIFY(updated(vm));
        QCOMPARE(heard, order);
    }

    // The figures are computed on the pool while the main thread goes on; only the result is
    // published, every figure once and in order. An update asked for meanwhile supersedes it.
    void computedOffTheMainThread()
    {
        auto store = storeOf(readFixture(QStringLiteral("full")), QDateTime::currentDateTimeUtc());
        QVERIFY(store);
        StatsViewModel vm;
        vm.setContext(store->container->mainContext());
        QVERIFY(vm.snapshot()->waitForLoaded());
        QSignalSpy first(&vm, &StatsViewModel::countLastHourChanged);
        QSignalSpy last(&vm, &StatsViewModel::depthStatChanged);
        vm.update();
        QVERIFY(vm.isComputing());
        vm.update();
        // The main thread waits without running its event loop: the computation goes on.
        QVERIFY(QThreadPool::globalInstance()->waitForDone(TestWait::bound));
        QVERIFY(first.isEmpty());
        QVERIFY(last.wait(TestWait::bound));
        QTRY_VERIFY_WITH_TIMEOUT(!vm.isComputing(), TestWait::bound);
        QCOMPARE(first.count(), 1);
        QCOMPARE(last.count(), 1);
        QVERIFY(vm.hasEvents());
    }

    // Before the snapshot is loaded an update starts the load and publishes nothing, so the
    // screen keeps its empty state; the snapshot's notice brings the figures, as the screen
    // wires it.
    void waitsForTheSnapshotWithoutBlocking()
    {
        auto store = storeOf(readFixture(QStringLiteral("full")), QDateTime::currentDateTimeUtc());
        QVERIFY(store);
        StatsViewModel vm;
        vm.setContext(store->container->mainContext());
        connect(vm.snapshot(), &EarthquakeSnapshot::changed, &vm, &StatsViewModel::update);
        QSignalSpy last(&vm, &StatsViewModel::depthStatChanged);
        vm.update();
        QVERIFY(!vm.snapshot()->isLoaded());
        QVERIFY(vm.snapshot()->isBusy());
        QVERIFY(last.isEmpty());
        QVERIFY(!vm.hasEvents());
        QVERIFY(last.wait(TestWait::bound));
        QVERIFY(vm.hasEvents());
    }

    // Another program deletes the strongest event, or rewrites it in place: the peaks follow
    // the store, never "none" while events remain.
    void peaksFollowAnotherProgram_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("peak");
        QTest::newRow("deleted") << "DELETE FROM Earthquake WHERE eventID = 'strong'" << "second";
        QTest::newRow("weakened") << "UPDATE Earthquake SET magnitude = 1.0 WHERE eventID = 'strong'" << "second";
    }

    void peaksFollowAnotherProgram()
    {
        QFETCH(QString, statement);
        QFETCH(QString, peak);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QJsonArray events;
        const auto event = [&](const char *id, double ageMs, double magnitude) {
            events.append(QJsonObject{{"id", id}, {"ageMs", ageMs}, {"lat", 28.1}, {"lon", -16.4},
                                      {"depth", 10}, {"mag", magnitude}, {"place", "ARICO"}});
        };
        event("strong", 600000, 4.5);
        event("second", 1200000, 3.0);
        event("third", 1800000, 2.0);
        auto store = storeOf(QJsonObject{{"events", events}}, now);
        QVERIFY(store);
        StatsViewModel vm;
        vm.setContext(store->container->mainContext());
        connect(vm.snapshot(), &EarthquakeSnapshot::changed, &vm, &StatsViewModel::update);
        QVERIFY(updated(vm));
        QCOMPARE(peakId(vm.peakLast24h()), QStringLiteral("strong"));

        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(store->container->configuration().filePath);
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec(statement));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        vm.update();  // the screen appears again
        QTRY_COMPARE_WITH_TIMEOUT(peakId(vm.peakLast24h()), peak, TestWait::bound);
        QCOMPARE(peakId(vm.peakLast7d()), peak);
    }

    void snapsHalvesAwayFromZero_data()
    {
        QTest::addColumn<double>("degrees");
        QTest::addColumn<double>("cell");
        QTest::newRow("28.25") << 28.25 << 28.5;
        QTest::newRow("28.2499") << 28.2499 << 28.0;
        QTest::newRow("28.24") << 28.24 << 28.0;
        QTest::newRow("28.75 (odd half step)") << 28.75 << 29.0;
        QTest::newRow("-16.25") << -16.25 << -16.5;
        QTest::newRow("-16.75") << -16.75 << -17.0;
        QTest::newRow("-16.74") << -16.74 << -16.5;
    }

    void snapsHalvesAwayFromZero()
    {
        QFETCH(double, degrees);
        QFETCH(double, cell);
        QCOMPARE(StatsComputation::snap(degrees), cell);
    }

    // The cell key equals std::round's to the bit, signed zeros included.
    void snapEqualsStdRound()
    {
        QList<double> values = {0.24999999999999997, -0.24999999999999997, 0.25, -0.25, -0.1, -0.0, 0.0,
                                1e15 + 0.25, -1e15 - 0.25, 2251799813685247.75, 1e300, -INFINITY, INFINITY};
        QRandomGenerator rng(5);
        for (int i = 0; i < 100000; ++i)
            values << (rng.generateDouble() - 0.5) * std::pow(10.0, rng.bounded(-3, 17));
        for (double v : values) {
            const double want = std::round(v / 0.5) * 0.5;
            const double got = StatsComputation::snap(v);
            QVERIFY2(std::memcmp(&want, &got, sizeof want) == 0,
                     qPrintable(QStringLiteral("%1: %2 vs %3").arg(v, 0, 'g', 17).arg(got, 0, 'g', 17).arg(want, 0, 'g', 17)));
        }
    }

    // A single event's cell, at the edges of the half-degree steps and of the grid of keys kept
    // in a table: the key is the snapped coordinate, signed zero included.
    void cellOfOneEvent_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<QString>("id");
        QTest::newRow("halves away from zero") << 28.25 << -16.25 << "28.5,-16.5";
        QTest::newRow("just below a half") << 28.2499 << -16.2499 << "28.0,-16.0";
        QTest::newRow("negative zero") << -0.2 << 0.2 << "-0.0,0.0";
        QTest::newRow("last step of the grid") << 90.2 << 180.2 << "90.0,180.0";
        QTest::newRow("past the grid") << 90.25 << -180.25 << "90.5,-180.5";
        QTest::newRow("far away") << 1000.3 << -5000.7 << "1000.5,-5000.5";
        QTest::newRow("not a number") << std::nan("") << 1.0 << "nan,1.0";
    }

    void cellOfOneEvent()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(QString, id);
        const std::vector<EarthquakeSnapshot::Row> rows = {{1, 0, latitude, longitude, 10, 2, 0}};
        const auto figures = StatsComputation::compute(rows, {QStringLiteral("A")}, 0);
        QCOMPARE(figures.topClusters.size(), 1);
        QCOMPARE(figures.topClusters.at(0).id(), id);
    }

    // The memory a view model keeps from one computation to the next, used over lists longer
    // and shorter than the last, gives what a computation with memory of its own gives.
    void keptMemoryGivesTheSameFigures()
    {
        const qint64 now = QDateTime(QDate(2026, 3, 20), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();
        const std::vector<QString> places = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
        const auto rows = [now](int count, quint32 seed) {
            QRandomGenerator rng(seed);
            std::vector<EarthquakeSnapshot::Row> list;
            for (int i = 0; i < count; ++i)
                list.push_back({i + 1, now - qint64(i) * 600000, 27.5 + rng.bounded(2.0), -18.5 + rng.bounded(5.0),
                                rng.bounded(100.0), rng.bounded(60) / 10.0, quint32(rng.bounded(3))});
            return list;
        };
        const auto described = [](const StatsComputation::Figures &f) {
            QStringList text = {QString::number(f.countLastHour), QString::number(f.countLast24h),
                                QString::number(f.countLast7d), QString::number(f.countLast30d),
                                QString::number(f.peakLast24h.value_or(0)), QString::number(f.peakLast7d.value_or(0)),
                                QString::number(f.depthStat->averageDepth(), 'g', 17)};
            for (const MagnitudeStat &m : f.magnitudeStats)
                text << QString::number(m.count());
            for (const ClusterStat &c : f.topClusters)
                text << c.id() + c.displayName() + QString::number(c.count())
                            + QString::number(c.averageMagnitude(), 'g', 17);
            return text;
        };
        StatsComputation::Scratch kept;
        for (const int count : {3000, 200, 5000, 5000}) {
            const auto list = rows(count, quint32(count));
            QCOMPARE(described(StatsComputation::compute(list, places, now, &kept)),
                     described(StatsComputation::compute(list, places, now)));
        }
    }

    // A literal reading of the rules over a fetch of every event, against the view model, on
    // stores with many shared dates, cells and names, some of them far outside the islands.
    void equalsTheRulesOverAFetch()
    {
        QTemporaryDir dir;
        auto opened = ModelContainer::open({dir.filePath(QStringLiteral("s.sqlite")), false});
        QVERIFY(opened);
        auto &store = *opened;
        QRandomGenerator rng(99);
        const QDateTime now(QDate(2026, 3, 20), QTime(12, 0), Qt::UTC);
        for (int i = 0; i < 5000; ++i) {
            const qint64 age = qint64(rng.bounded(60)) * 3600000 * (rng.bounded(4) == 0 ? 24 : 1) - 3600000;
            const bool far = rng.bounded(20) == 0;
            store->mainContext()->insert(std::make_shared<Earthquake>(
                QStringLiteral("id%1").arg(rng.bounded(100000)) + QString::number(i),
                now.addMSecs(-age), far ? rng.bounded(2000.0) - 1000 : 27.5 + rng.bounded(2.0),
                far ? rng.bounded(4000.0) - 2000 : -18.5 + rng.bounded(5.0), rng.bounded(100.0),
                std::round(rng.bounded(80.0)) / 10.0, QStringLiteral("mb"), std::nullopt,
                QStringLiteral("P%1").arg(rng.bounded(6)), now));
        }
        QVERIFY(store->mainContext()->save());

        StatsViewModel vm;
        vm.setContext(store->mainContext());
        vm.setNow([now] { return now; });
        QVERIFY(updated(vm));

        FetchDescriptor all;
        all.sortByDate = SortOrder::Reverse;
        const EarthquakeList events = *store->mainContext()->fetch(all);
        const qint64 n = now.toMSecsSinceEpoch();
        const auto countSince = [&](qint64 ms) {
            return int(std::count_if(events.begin(), events.end(), [&](const auto &e) { return e->dateMs() >= n - ms; }));
        };
        QCOMPARE(vm.countLastHour(), countSince(3600000));
        QCOMPARE(vm.countLast24h(), countSince(86400000));
        QCOMPARE(vm.countLast7d(), countSince(604800000));
        QCOMPARE(vm.countLast30d(), countSince(2592000000));
        const auto peakSince = [&](qint64 ms) {
            EarthquakePtr peak;
            for (const auto &e : events)
                if (e->dateMs() >= n - ms && (!peak || e->magnitude() > peak->magnitude()))
                    peak = e;
            return peak ? peak->eventID() : QString();
        };
        QCOMPARE(peakId(vm.peakLast24h()), peakSince(86400000));
        QCOMPARE(peakId(vm.peakLast7d()), peakSince(604800000));

        struct Cell {
            int count = 0;
            double sum = 0;
            std::map<QString, int> names;
        };
        std::map<std::pair<double, double>, Cell> cells;
        double depthSum = 0;
        for (const auto &e : events) {
            Cell &c = cells[{std::round(e->latitude() / 0.5) * 0.5, std::round(e->longitude() / 0.5) * 0.5}];
            ++c.count;
            c.sum += e->magnitude();
            ++c.names[e->location()];
            depthSum += e->depth();
        }
        std::vector<std::pair<std::pair<double, double>, Cell>> ranked(cells.begin(), cells.end());
        std::stable_sort(ranked.begin(), ranked.end(), [](const auto &a, const auto &b) { return a.second.count > b.second.count; });
        QCOMPARE(vm.topClusters().size(), 5);
        for (int i = 0; i < 5; ++i) {
            const auto &[key, cell] = ranked[size_t(i)];
            const ClusterStat &got = vm.topClusters().at(i);
            QCOMPARE(got.latKey(), key.first);
            QCOMPARE(got.lonKey(), key.second);
            QCOMPARE(got.count(), cell.count);
            QCOMPARE(got.averageMagnitude(), cell.sum / cell.count);
            const auto best = std::max_element(cell.names.begin(), cell.names.end(),
                                               [](const auto &a, const auto &b) { return a.second < b.second; });
            QCOMPARE(got.displayName(), best->first);
        }
        QCOMPARE(vm.depthStat()->averageDepth(), depthSum / double(events.size()));
    }
};

QTEST_GUILESS_MAIN(TestStatsViewModel)
#include "tst_stats_viewmodel.moc"
