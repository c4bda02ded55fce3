// The history over a generated store of a million events: the first page of each filter with
// its count, the page after a deep position, sections and search over 10,000 loaded rows, the
// years, and scrolling the screen's list. Each figure beside the straightforward way.
#include "GpuWindow.h"
#include "StoreGenerator.h"

#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/TextSearch.h"
#include "ViewModels/HistoricoViewModel.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double medianMs(int runs, const std::function<void()> &work)
{
    work();  // warm the page cache
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    return median(times);
}

void print(const char *figure, const char *size, double ours, const char *baseline, double theirs)
{
    std::printf("bench %s %s ours_ms=%.3f %s_ms=%.3f ratio=%.2f\n", figure, size, ours, baseline, theirs,
                ours > 0 ? theirs / ours : 0.0);
    std::fflush(stdout);
}

FetchDescriptor boundedBy(const DateFilterMode &mode, const QTimeZone &zone)
{
    FetchDescriptor d;
    if (const auto b = HistoricoViewModel::boundsFor(mode, zone)) {
        d.dateFrom = b->from;
        d.dateTo = b->to;
        d.dateToInclusive = b->toInclusive;
    }
    return d;
}

// The count and a page the way the store would be asked by offset.
void offsetPage(ModelContext *context, const DateFilterMode &mode, const QTimeZone &zone, int offset, bool withCount)
{
    FetchDescriptor d = boundedBy(mode, zone);
    if (withCount)
        (void)context->fetchCount(d);
    d.sortByDate = SortOrder::Reverse;
    d.fetchLimit = HistoricoViewModel::pageSize;
    d.fetchOffset = offset;
    (void)context->fetch(d);
}

}  // namespace

int main(int argc, char **argv)
{
    // The scroll figure draws: with a real OpenGL renderer, unthrottled, as the map's figures.
    bench::rerunUnderXvfbIfHeadless(argc, argv);
    bench::renderUnthrottled();
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("million.sqlite"));
    if (!StoreGenerator::generateMillion(path))
        return 1;
    auto container = std::move(*ModelContainer::open({path, false}));
    ModelContext *context = container->mainContext();
    const QTimeZone zone("Atlantic/Canary");
    const QLocale locale(QStringLiteral("es_ES"));
    const char *size = "1000000events";

    // First pages: no filter, a year five years back, its March, and 30 days of it.
    const int year = QDate::currentDate().year() - 5;
    const QDateTime rangeStart = QDate(year, 6, 15).startOfDay(zone);
    const struct {
        const char *figure;
        DateFilterMode mode;
    } filters[] = {
        {"history_first_page_none", DateFilterMode::none()},
        {"history_first_page_year", DateFilterMode::yearMonth(year)},
        {"history_first_page_month", DateFilterMode::yearMonth(year, 3)},
        {"history_first_page_range", DateFilterMode::customRange(rangeStart, QDate(year, 7, 14).startOfDay(zone).addMSecs(-1))},
    };
    for (const auto &f : filters) {
        HistoricoViewModel vm;
        vm.setTimeZone(zone);
        vm.setLocale(locale);
        vm.onAppear(context);
        const double ours = medianMs(15, [&] { vm.applyFilter(f.mode); });
        const double theirs = medianMs(15, [&] { offsetPage(context, f.mode, zone, 0, true); });
        print(f.figure, size, ours, "offset_page", theirs);
    }

    // The page after a deep position: the 900,000th event unfiltered, the 60,000th of the year.
    const struct {
        const char *figure;
        DateFilterMode mode;
        int position;
    } deep[] = {
        {"history_next_page_after_900000th", DateFilterMode::none(), 900000},
        {"history_next_page_year_after_60000th", DateFilterMode::yearMonth(year), 60000},
    };
    for (const auto &p : deep) {
        FetchDescriptor at = boundedBy(p.mode, zone);
        at.sortByDate = SortOrder::Reverse;
        at.fetchLimit = 1;
        at.fetchOffset = p.position - 1;
        const auto row = context->fetch(at);
        if (!row || row->isEmpty()) {
            std::fprintf(stderr, "no row at %d\n", p.position);
            return 1;
        }
        FetchDescriptor next = boundedBy(p.mode, zone);
        next.sortByDate = SortOrder::Reverse;
        next.fetchLimit = HistoricoViewModel::pageSize;
        next.after = PageCursor::of(*row->first());
        const double ours = medianMs(15, [&] { (void)context->fetch(next); });
        const double theirs = medianMs(15, [&] { offsetPage(context, p.mode, zone, p.position, false); });
        print(p.figure, size, ours, "offset", theirs);
    }

    // Sections and search over 10,000 loaded rows.
    {
        HistoricoViewModel vm;
        vm.setTimeZone(zone);
        vm.setLocale(locale);
        vm.setDebounceInterval(0);
        vm.onAppear(context);
        while (vm.loadedCount() < 10000 && vm.hasMore())
            vm.loadMore();
        EarthquakeList loaded;
        for (const HistoricoRow &row : vm.listModel()->rows())
            loaded.append(row.earthquake);

        // Ours: a title once per month and the place folded once, as the pages arrive.
        const double ours = medianMs(15, [&] {
            HistoricoRowBuilder builder(zone, locale);
            QList<HistoricoRow> rows;
            rows.reserve(loaded.size());
            for (const EarthquakePtr &e : loaded)
                rows.append(builder.make(e));
        });
        auto perRowSections = [&] {
            QList<QString> keys;
            QHash<QString, EarthquakeList> groups;
            for (const EarthquakePtr &e : loaded) {
                const QString key = MonthTitles::format(QDateTime::fromMSecsSinceEpoch(e->dateMs(), zone).date(), locale);
                if (!groups.contains(key))
                    keys.append(key);
                groups[key].append(e);
            }
        };
        print("history_sections", "10000rows", ours, "per_row_format", medianMs(15, perRowSections));

        const char *searches[] = {"tenerife", "palma", "güímar", "zzz"};
        int n = 0;
        const double oursSearch = medianMs(16, [&] {
            vm.setSearchText(QString::fromUtf8(searches[n++ % 4]));
            while (vm.debouncedSearchText() != vm.searchText())
                QCoreApplication::processEvents();  // the search's pass rebuilds the list's rows
        });
        int m = 0;
        const double theirsSearch = medianMs(16, [&] {
            const QString needle = TextSearch::fold(QString::fromUtf8(searches[m++ % 4]));
            EarthquakeList hits;
            for (const EarthquakePtr &e : loaded) {
                if (TextSearch::fold(e->location()).contains(needle))
                    hits.append(e);
            }
            QHash<QString, EarthquakeList> groups;
            for (const EarthquakePtr &e : hits)
                groups[MonthTitles::format(QDateTime::fromMSecsSinceEpoch(e->dateMs(), zone).date(), locale)].append(e);
        });
        print("history_search", "10000rows", oursSearch, "per_row_format", theirsSearch);
    }

    // The years, read on every appearance.
    {
        HistoricoViewModel vm;
        vm.setTimeZone(zone);
        const double ours = medianMs(15, [&] { vm.loadAvailableYears(context); });
        const double theirs = medianMs(5, [&] {
            FetchDescriptor all;
            all.sortByDate = SortOrder::Reverse;
            const auto dates = context->fetchDates(all);
            QList<int> years;
            for (qint64 ms : *dates) {
                const int y = QDateTime::fromMSecsSinceEpoch(ms, zone).date().year();
                if (years.isEmpty() || years.last() != y)
                    years.append(y);
            }
        });
        print("history_years", size, ours, "all_dates", theirs);
    }

    // Scrolling the screen's list through 10,000 loaded rows, one step a frame; the baseline
    // builds a new delegate for every row that scrolls in.
    auto scrollMs = [&](bool reuse, QString *renderer) -> double {
        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/"));
        auto *vm = new HistoricoViewModel(&engine);
        vm->setTimeZone(zone);
        vm->setLocale(locale);
        QQmlComponent component(&engine, QUrl(QStringLiteral("qrc:/Sismovantaquelorin/HistoricoView.qml")));
        auto *item = qobject_cast<QQuickItem *>(component.createWithInitialProperties(
            {{QStringLiteral("context"), QVariant::fromValue(context)}, {QStringLiteral("viewModel"), QVariant::fromValue(vm)}}));
        if (!item) {
            std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
            return -1;
        }
        while (vm->loadedCount() < 10000 && vm->hasMore())
            vm->loadMore();
        QQuickWindow window;
        window.resize(1100, 720);
        item->setParentItem(window.contentItem());
        item->setSize(QSizeF(1100, 720));
        QObject *list = item->findChild<QObject *>(QStringLiteral("historicoList"));
        list->setProperty("reuseItems", reuse);
        int swapped = 0;
        QObject::connect(&window, &QQuickWindow::frameSwapped, &window, [&] { ++swapped; });
        window.show();
        auto nextFrame = [&] {
            const int target = swapped + 1;
            window.update();
            while (swapped < target)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        };
        nextFrame();
        *renderer = bench::rendererName(window);
        std::vector<double> frames;
        for (int step = 0; step < 400; ++step) {
            QElapsedTimer t;
            t.start();
            list->setProperty("contentY", list->property("contentY").toDouble() + 173.0);  // about 4 rows a frame
            nextFrame();
            frames.push_back(t.nsecsElapsed() / 1e6);
        }
        window.hide();
        delete item;
        return median(frames);
    };
    QString renderer;
    const double oursScroll = scrollMs(true, &renderer);
    const double theirsScroll = scrollMs(false, &renderer);
    std::printf("# history_scroll renderer: %s, platform %s\n", qPrintable(renderer),
                qPrintable(QGuiApplication::platformName()));
    print("history_scroll", "10000rows", oursScroll, "no_reuse", theirsScroll);
    return 0;
}
