// The statistics over a store of a million events, 20,000 of them in the last 30 days: loading
// the snapshot, computing the figures (off the main thread) and what the main thread spends on
// them, keeping them current after an own save and after another program's insert, the look for
// other writers' changes, the snapshot's memory and the screen's first frame. Each figure beside
// what a plain approach costs.
#include "StoreGenerator.h"

#include "Persistence/EarthquakeSnapshot.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "ViewModels/StatsComputation.h"
#include "ViewModels/StatsViewModel.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <functional>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double ms(const QElapsedTimer &t) { return t.nsecsElapsed() / 1e6; }

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

std::unique_ptr<ModelContainer> openStore(const QString &path)
{
    auto opened = ModelContainer::open({path, false});
    if (!opened) {
        std::fprintf(stderr, "cannot open the store: %s\n", qPrintable(opened.error().description));
        std::exit(1);
    }
    return std::move(*opened);
}

FetchDescriptor everyEvent()
{
    FetchDescriptor d;
    d.sortByDate = SortOrder::Reverse;
    return d;
}

// Child mode: the resident memory that reading every event adds, one way or the other.
int measureResident(const QString &way, const QString &path)
{
    auto store = openStore(path);
    const long before = residentKb();
    size_t count = 0;
    EarthquakeList list;
    if (way == QLatin1String("snapshot")) {
        count = store->snapshot()->rows().size();
    } else {
        list = store->mainContext()->fetch(everyEvent()).valueOr({});
        count = size_t(list.size());
    }
    std::printf("rss_growth_kb=%ld rows=%zu\n", residentKb() - before, count);
    return 0;
}

double residentGrowthMb(const QString &way, const QString &path)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--resident"), way, path});
    child.waitForFinished(120000);
    const QByteArray out = child.readAllStandardOutput();
    const qsizetype at = out.indexOf("rss_growth_kb=");
    return at < 0 ? -1 : out.mid(at + 14).split(' ').value(0).toLong() / 1024.0;
}

// The same figures straight from SQL, the way one would ask the store for them.
struct SqlFigures {
    std::array<qint64, 4> counts{};
    QString peak24;
    QString peak7;
    std::array<qint64, 5> categories{};
    struct Cluster {
        double lat, lon;
        qint64 count;
        double average;
        QString name;
    };
    std::vector<Cluster> clusters;
    double averageDepth = 0;
    std::array<qint64, 3> bands{};
};

SqlFigures sqlFigures(const QString &path, qint64 nowMs)
{
    SqlFigures f;
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const auto query = [db](const char *sql, const std::vector<qint64> &binds, auto &&row) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
            std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(db));
        for (size_t i = 0; i < binds.size(); ++i)
            sqlite3_bind_int64(st, int(i + 1), binds[i]);
        while (sqlite3_step(st) == SQLITE_ROW)
            row(st);
        sqlite3_finalize(st);
    };
    const auto text = [](sqlite3_stmt *st, int c) {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)));
    };
    const auto cut = StatsComputation::Cutoffs::before(nowMs);
    query("SELECT sum(date >= ?1), sum(date >= ?2), sum(date >= ?3), sum(date >= ?4) FROM Earthquake",
          {cut.lastHour, cut.last24h, cut.last7d, cut.last30d}, [&](sqlite3_stmt *st) {
              for (int i = 0; i < 4; ++i)
                  f.counts[size_t(i)] = sqlite3_column_int64(st, i);
          });
    const char *peak = "SELECT eventID FROM Earthquake WHERE date >= ?1 "
                       "ORDER BY magnitude DESC, date DESC, eventID DESC LIMIT 1";
    query(peak, {cut.last24h}, [&](sqlite3_stmt *st) { f.peak24 = text(st, 0); });
    query(peak, {cut.last7d}, [&](sqlite3_stmt *st) { f.peak7 = text(st, 0); });
    query("SELECT CASE WHEN magnitude < 2 THEN 0 WHEN magnitude < 4 THEN 1 WHEN magnitude < 6 THEN 2 "
          "WHEN magnitude < 7 THEN 3 ELSE 4 END AS c, count(*) FROM Earthquake GROUP BY c",
          {}, [&](sqlite3_stmt *st) { f.categories[size_t(sqlite3_column_int(st, 0))] = sqlite3_column_int64(st, 1); });
    // SQLite's round() takes halves away from zero, as the cells do.
    query("SELECT round(latitude / 0.5) * 0.5 AS la, round(longitude / 0.5) * 0.5 AS lo, count(*) AS n, "
          "avg(magnitude) FROM Earthquake GROUP BY la, lo ORDER BY n DESC, la, lo LIMIT 5",
          {}, [&](sqlite3_stmt *st) {
              f.clusters.push_back({sqlite3_column_double(st, 0), sqlite3_column_double(st, 1),
                                    sqlite3_column_int64(st, 2), sqlite3_column_double(st, 3), {}});
          });
    for (auto &c : f.clusters) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT location, count(*) AS n FROM Earthquake WHERE round(latitude / 0.5) * 0.5 = ?1 "
                           "AND round(longitude / 0.5) * 0.5 = ?2 GROUP BY location ORDER BY n DESC, location LIMIT 1",
                           -1, &st, nullptr);
        sqlite3_bind_double(st, 1, c.lat);
        sqlite3_bind_double(st, 2, c.lon);
        if (sqlite3_step(st) == SQLITE_ROW)
            c.name = text(st, 0);
        sqlite3_finalize(st);
    }
    query("SELECT avg(depth), sum(depth < 30), sum(depth >= 30 AND depth <= 70), sum(depth > 70) FROM Earthquake", {},
          [&](sqlite3_stmt *st) {
              f.averageDepth = sqlite3_column_double(st, 0);
              for (int i = 0; i < 3; ++i)
                  f.bands[size_t(i)] = sqlite3_column_int64(st, i + 1);
          });
    sqlite3_close(db);
    return f;
}

bool close(double a, double b) { return std::fabs(a - b) <= 1e-9; }

// Where our figures and SQL's differ, in words; empty when they agree.
QString disagreement(const StatsViewModel &vm, const SqlFigures &sql)
{
    const std::array<int, 4> counts{vm.countLastHour(), vm.countLast24h(), vm.countLast7d(), vm.countLast30d()};
    for (size_t i = 0; i < 4; ++i)
        if (counts[i] != sql.counts[i])
            return QStringLiteral("count %1: %2 vs %3").arg(i).arg(counts[i]).arg(sql.counts[i]);
    if (!vm.peakLast24h() || vm.peakLast24h()->earthquake().eventID() != sql.peak24)
        return QStringLiteral("peak of 24 hours");
    if (!vm.peakLast7d() || vm.peakLast7d()->earthquake().eventID() != sql.peak7)
        return QStringLiteral("peak of 7 days");
    for (qsizetype i = 0; i < vm.magnitudeStats().size(); ++i)
        if (vm.magnitudeStats().at(i).count() != sql.categories[size_t(i)])
            return QStringLiteral("category %1").arg(i);
    if (size_t(vm.topClusters().size()) != sql.clusters.size())
        return QStringLiteral("number of zones");
    for (size_t i = 0; i < sql.clusters.size(); ++i) {
        const ClusterStat &c = vm.topClusters().at(qsizetype(i));
        const auto &s = sql.clusters[i];
        if (c.latKey() != s.lat || c.lonKey() != s.lon || c.count() != s.count || !close(c.averageMagnitude(), s.average)
            || c.displayName() != s.name)
            return QStringLiteral("zone %1: %2 %3 vs %4 %5").arg(i).arg(c.id(), c.displayName()).arg(s.count).arg(s.name);
    }
    const DepthStat &d = *vm.depthStat();
    if (!close(d.averageDepth(), sql.averageDepth) || d.shallowCount() != sql.bands[0]
        || d.intermediateCount() != sql.bands[1] || d.deepCount() != sql.bands[2])
        return QStringLiteral("depth");
    return {};
}

EarthquakeList freshEvents(int count, qint64 nowMs, int round)
{
    EarthquakeList list;
    for (int i = 0; i < count; ++i) {
        const QDateTime date = QDateTime::fromMSecsSinceEpoch(nowMs - qint64(i) * 97000 - round, Qt::UTC);
        list << std::make_shared<Earthquake>(QStringLiteral("bench-%1-%2").arg(round).arg(i), date, 28.1, -16.4, 12.0,
                                             2.1, QStringLiteral("mbLg"), std::nullopt, QStringLiteral("ARICO"), date);
    }
    return list;
}

// Runs the event loop until the view model has published an update (its last figure).
double untilPublished(StatsViewModel &vm, const std::function<void()> &start)
{
    bool published = false;
    const QMetaObject::Connection connection =
        QObject::connect(&vm, &StatsViewModel::depthStatChanged, [&published] { published = true; });
    QElapsedTimer t;
    t.start();
    start();
    while (!published && t.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 1);
    const double elapsed = ms(t);
    QObject::disconnect(connection);
    return elapsed;
}

// The longest the main thread went without running its event loop while `work` ran to its
// publication: a timer due every millisecond measures the gaps.
double longestStall(StatsViewModel &vm, const std::function<void()> &start)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    qint64 longest = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(1);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    beat.start();
    untilPublished(vm, [&] {
        last = clock.nsecsElapsed();
        start();
    });
    longest = std::max(longest, clock.nsecsElapsed() - last);
    return longest / 1e6;
}

// Another program's insert of `count` events, on a connection of its own.
void insertForeign(const QString &path, int count, qint64 nowMs, int round)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(db, 10000);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Earthquake (eventID, date, latitude, longitude, depth, magnitude, magnitudeType, "
                       "maxIntensity, location, fetchedAt) VALUES (?1, ?2, 28.3, -16.5, 8.0, 1.9, 'mbLg', NULL, "
                       "'FOREIGN PLACE', ?2)",
                       -1, &st, nullptr);
    for (int i = 0; i < count; ++i) {
        const QByteArray id = QStringLiteral("foreign-%1-%2").arg(round).arg(i).toUtf8();
        sqlite3_bind_text(st, 1, id.constData(), int(id.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 2, nowMs - qint64(i) * 61000 - round);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// From creating the screen to its first frame.
double firstFrameMs(ModelContainer &store, bool cold)
{
    QQmlEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));
    QQuickWindow window;
    window.resize(900, 720);
    QElapsedTimer t;
    t.start();
    if (cold)
        store.snapshot()->rows();  // loaded within the figure
    QQmlComponent component(&engine, QUrl(QStringLiteral("qrc:/Sismovantaquelorin/StatsView.qml")));
    QObject *object = component.createWithInitialProperties(
        {{QStringLiteral("context"), QVariant::fromValue(store.mainContext())}});
    auto *item = qobject_cast<QQuickItem *>(object);
    if (!item) {
        std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
        std::exit(1);
    }
    item->setParentItem(window.contentItem());
    item->setSize(QSizeF(900, 720));
    bool swapped = false;
    QObject::connect(&window, &QQuickWindow::frameSwapped, &window, [&] { swapped = true; });
    window.show();
    while (!swapped)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double elapsed = ms(t);
    window.hide();
    delete item;
    return elapsed;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--resident") == 0) {
        QCoreApplication app(argc, argv);
        return measureResident(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("million.sqlite"));
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    if (!StoreGenerator::generateMillion(path, nowMs))
        return 1;
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(nowMs, Qt::UTC);

    // Loading: the snapshot in the background, five times on a new container each, against one
    // fetch of all events.
    std::vector<double> loads;
    for (int run = 0; run < 5; ++run) {
        auto store = openStore(path);
        QElapsedTimer t;
        t.start();
        store->snapshot()->startLoading();
        store->snapshot()->waitForLoaded();
        loads.push_back(ms(t));
    }
    double fetchMs = 0;
    {
        auto store = openStore(path);
        QElapsedTimer t;
        t.start();
        const auto all = store->mainContext()->fetch(everyEvent());
        fetchMs = ms(t);
    }
    std::printf("bench stats_snapshot_load 1000000events ours_ms=%.1f fetch_all_ms=%.1f ratio=%.2f\n", median(loads),
                fetchMs, fetchMs / median(loads));
    std::fflush(stdout);

    auto store = openStore(path);
    store->snapshot()->waitForLoaded();
    StatsViewModel vm;
    vm.setContext(store->mainContext());
    vm.setNow([now] { return now; });
    // As the screen wires it: every change of the snapshot asks for an update.
    QObject::connect(store->snapshot(), &EarthquakeSnapshot::changed, &vm, &StatsViewModel::update);

    // Computing: from asking to the published figures (the computation runs on a worker), and
    // the longest the main thread is held meanwhile, against the same computation on it.
    std::vector<double> computes;
    std::vector<double> stalls;
    std::vector<double> onMain;
    for (int run = 0; run < 7; ++run) {
        computes.push_back(untilPublished(vm, [&] { vm.update(); }));
        stalls.push_back(longestStall(vm, [&] { vm.update(); }));
        const auto data = store->snapshot()->data();
        QElapsedTimer t;
        t.start();
        const auto figures = StatsComputation::compute(data->rows, data->places, nowMs);
        onMain.push_back(ms(t));
    }
    QElapsedTimer sqlTimer;
    sqlTimer.start();
    const SqlFigures sql = sqlFigures(path, nowMs);
    const double sqlMs = ms(sqlTimer);
    const QString differs = disagreement(vm, sql);
    if (!differs.isEmpty()) {
        std::fprintf(stderr, "bench_stats: the figures differ from SQL's: %s\n", qPrintable(differs));
        return 1;
    }
    std::printf("bench stats_compute 1000000events ours_ms=%.1f sqlite_aggregates_ms=%.1f ratio=%.2f\n",
                median(computes), sqlMs, sqlMs / median(computes));
    std::printf("bench stats_compute_main_thread_stall 1000000events ours_ms=%.1f on_main_thread_ms=%.1f ratio=%.2f\n",
                median(stalls), median(onMain), median(onMain) / median(stalls));
    std::fflush(stdout);

    // The look for other writers' changes when nothing changed, against counting the rows.
    std::vector<double> checks;
    for (int run = 0; run < 200; ++run) {
        QElapsedTimer t;
        t.start();
        store->snapshot()->checkForChanges();
        checks.push_back(ms(t));
    }
    double countMs = 0;
    {
        QElapsedTimer t;
        t.start();
        store->mainContext()->fetchCount({});
        countMs = ms(t);
    }
    std::printf("bench stats_version_check 1000000events ours_ms=%.3f count_rows_ms=%.1f ratio=%.0f\n", median(checks),
                countMs, countMs / median(checks));
    std::fflush(stdout);

    // After a save of 20 new events: the snapshot merges them in and the figures are computed
    // again, against fetching every event again.
    std::vector<double> updates;
    for (int round = 0; round < 5; ++round) {
        for (const auto &e : freshEvents(20, nowMs, round + 1))
            store->mainContext()->insert(e);
        updates.push_back(untilPublished(vm, [&] {
            if (!store->mainContext()->save())
                std::exit(1);
        }));
    }
    double refetchMs = 0;
    {
        QElapsedTimer refetch;
        refetch.start();
        const auto all = store->mainContext()->fetch(everyEvent());
        refetchMs = ms(refetch);
    }
    std::printf("bench stats_update_after_save 1000000events ours_ms=%.1f refetch_all_ms=%.1f ratio=%.2f\n",
                median(updates), refetchMs, refetchMs / median(updates));
    std::fflush(stdout);

    // Another program inserts 50 events: from the look that notices it to the published figures.
    std::vector<double> foreign;
    for (int round = 0; round < 5; ++round) {
        insertForeign(path, 50, nowMs, round + 1);
        foreign.push_back(untilPublished(vm, [&] { store->snapshot()->checkForChanges(); }));
    }
    const int loadsBefore = store->snapshot()->loadCount();
    if (store->snapshot()->rows().size() != size_t(1000000 + 100 + 250) || loadsBefore != 1) {
        std::fprintf(stderr, "bench_stats: %zu rows after the inserts, %d loads\n", store->snapshot()->rows().size(),
                     loadsBefore);
        return 1;
    }
    std::printf("bench stats_update_after_foreign_insert 1000000events ours_ms=%.1f refetch_all_ms=%.1f ratio=%.2f\n",
                median(foreign), refetchMs, refetchMs / median(foreign));
    std::fflush(stdout);

    const double oursMb = residentGrowthMb(QStringLiteral("snapshot"), path);
    const double fetchMb = residentGrowthMb(QStringLiteral("fetch"), path);
    std::printf("bench stats_snapshot_rss_mb 1000000events ours_ms=%.1f fetch_all_ms=%.1f ratio=%.2f\n", oursMb,
                fetchMb, fetchMb / oursMb);
    std::fflush(stdout);

    std::vector<double> warm;
    std::vector<double> cold;
    for (int run = 0; run < 5; ++run) {
        warm.push_back(firstFrameMs(*store, false));
        auto fresh = openStore(path);
        cold.push_back(firstFrameMs(*fresh, true));
    }
    std::printf("bench stats_first_frame 1000000events ours_ms=%.1f\n", median(warm));
    std::printf("bench stats_first_frame_cold 1000000events ours_ms=%.1f\n", median(cold));
    return 0;
}
