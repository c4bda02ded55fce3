// Store figures: bulk insert against raw SQLite, and reads from a store of a million events.
#include "StoreGenerator.h"

#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sqlite3.h>
#include <vector>

namespace {

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void line(const char *figure, const char *size, double ours, const char *baselineName = nullptr, double baseline = 0)
{
    if (baselineName)
        std::printf("bench %s %s ours_ms=%.3f %s_ms=%.3f ratio=%.2f\n", figure, size, ours, baselineName, baseline,
                    baseline / ours);
    else
        std::printf("bench %s %s ours_ms=%.3f\n", figure, size, ours);
    std::fflush(stdout);
}

EarthquakeList makeEvents(int n, const QString &prefix)
{
    EarthquakeList list;
    list.reserve(n);
    const QDateTime base = QDateTime::currentDateTimeUtc();
    const QStringList &names = StoreGenerator::placeNames();
    for (int i = 0; i < n; ++i) {
        list << std::make_shared<Earthquake>(prefix + QString::number(i), base.addSecs(-i * 37), 28.0 + (i % 100) / 100.0,
                                             -16.0 - (i % 70) / 100.0, 10.0 + i % 30, (i % 50) / 10.0,
                                             QStringLiteral("mbLg"),
                                             i % 3 ? std::optional<QString>(QStringLiteral("II")) : std::nullopt,
                                             names.at(i % names.size()), base);
    }
    return list;
}

double rawInsertMs(const QString &path, const EarthquakeList &events)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    QElapsedTimer t;
    t.start();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Earthquake (eventID, date, latitude, longitude, depth, magnitude, magnitudeType, "
                       "maxIntensity, location, fetchedAt) VALUES (?,?,?,?,?,?,?,?,?,?)",
                       -1, &st, nullptr);
    for (const EarthquakePtr &e : events) {
        const QByteArray id = e->eventID().toUtf8();
        const QByteArray type = e->magnitudeType().toUtf8();
        const QByteArray loc = e->location().toUtf8();
        sqlite3_bind_text(st, 1, id.constData(), int(id.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 2, e->dateMs());
        sqlite3_bind_double(st, 3, e->latitude());
        sqlite3_bind_double(st, 4, e->longitude());
        sqlite3_bind_double(st, 5, e->depth());
        sqlite3_bind_double(st, 6, e->magnitude());
        sqlite3_bind_text(st, 7, type.constData(), int(type.size()), SQLITE_TRANSIENT);
        if (e->maxIntensity()) {
            const QByteArray mi = e->maxIntensity()->toUtf8();
            sqlite3_bind_text(st, 8, mi.constData(), int(mi.size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_null(st, 8);
        }
        sqlite3_bind_text(st, 9, loc.constData(), int(loc.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 10, e->fetchedAtMs());
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double ms = t.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return ms;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;

    // Storing 100,000 new events in one save, beside raw prepared inserts in one transaction.
    {
        std::vector<double> ours, raw;
        for (int run = 0; run < 3; ++run) {
            const QString oursPath = dir.filePath(QStringLiteral("insert-ours-%1.sqlite").arg(run));
            const QString rawPath = dir.filePath(QStringLiteral("insert-raw-%1.sqlite").arg(run));
            { auto c = ModelContainer::open({rawPath, false}); }
            raw.push_back(rawInsertMs(rawPath, makeEvents(100000, QStringLiteral("raw"))));
            auto container = std::move(*ModelContainer::open({oursPath, false}));
            const EarthquakeList events = makeEvents(100000, QStringLiteral("ours"));
            QElapsedTimer t;
            t.start();
            for (const EarthquakePtr &e : events)
                container->mainContext()->insert(e);
            container->mainContext()->save();
            ours.push_back(t.nsecsElapsed() / 1e6);
        }
        std::sort(ours.begin(), ours.end());
        std::sort(raw.begin(), raw.end());
        line("store_insert", "100000events", ours[1], "raw_sqlite", raw[1]);
    }

    // Reads from a store of a million events.
    const QString bigPath = dir.filePath(QStringLiteral("million.sqlite"));
    if (!StoreGenerator::generateMillion(bigPath))
        return 1;
    auto container = std::move(*ModelContainer::open({bigPath, false}));
    ModelContext *ctx = container->mainContext();

    FetchDescriptor newest;
    newest.sortByDate = SortOrder::Reverse;
    newest.fetchLimit = 50;
    line("store_page_newest", "1000000events", medianMs(21, [&] { ctx->fetch(newest); }));

    FetchDescriptor byOffset = newest;
    byOffset.fetchOffset = 900000;
    const EarthquakePtr anchor = ctx->fetch([&] { FetchDescriptor d = newest; d.fetchLimit = 1; d.fetchOffset = 899999; return d; }())->first();
    FetchDescriptor byCursor = newest;
    byCursor.after = PageCursor::of(*anchor);
    const double offsetMs = medianMs(5, [&] { ctx->fetch(byOffset); });
    const double cursorMs = medianMs(21, [&] { ctx->fetch(byCursor); });
    const bool same = ctx->fetch(byOffset)->first()->eventID() == ctx->fetch(byCursor)->first()->eventID();
    line("store_page_after_900000th", "1000000events", cursorMs, "offset", offsetMs);
    if (!same)
        std::fprintf(stderr, "warning: the cursor page and the offset page differ\n");

    FetchDescriptor month;
    const QDate first = QDate::currentDate().addMonths(-6);
    month.dateFrom = QDate(first.year(), first.month(), 1).startOfDay(Qt::UTC);
    month.dateTo = month.dateFrom->addMonths(1);
    line("store_count_month", "1000000events", medianMs(21, [&] { ctx->fetchCount(month); }));
    return 0;
}
