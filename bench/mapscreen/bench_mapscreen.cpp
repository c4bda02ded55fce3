// The map screen over generated stores, in one run:
//   map_refilter 1000000events      a filter assignment until the layer holds the new markers
//                                   (median over a table of changes); baseline: fetching every
//                                   row from the store and filtering it, as a live query would.
//   map_first_frame 1000000events   screen creation to the first frame with its markers, the
//                                   snapshot warm; baseline: the store query of every event alone.
//   map_base_zoom nomarkers         slowest frame of a zoom of the base map alone; baseline: the
//   map_base_pan nomarkers          slowest frame of an empty window of the same size.
//   map_screen_pan 100000markers    ms per frame of a pan, and the slowest; baseline: the marker
//                                   component alone (GeoMap + MarkerLayer, as bench/map).
//   map_new_batch_frame 100000markers  slowest frame that first shows a new batch; baseline: the
//                                   median of the frames between them.
//   map_zoom_rebuild 100000markers  slowest frame of a zoom; baseline: each zoom step waiting for
//                                   its rebuilt batch before the frame (the rebuild inside it).
// The windows measured alone are measured while the screen's window, which animates without
// pause, is hidden.
// Under a headless run it starts itself again under Xvfb, so the scene graph renders with
// OpenGL (Mesa llvmpipe) as on a desktop; it prints the renderer.
#include "GpuWindow.h"
#include "StoreGenerator.h"

#include "DataSources/EarthquakeDataSource.h"
#include "GeoMap.h"
#include "MarkerLayer.h"
#include "Persistence/EarthquakeSnapshot.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/UserDefaults.h"
#include "Repositories/EarthquakeRepository.h"
#include "ViewModels/MapEarthquakesModel.h"
#include "ViewModels/MapViewModel.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QQuickItem>
#include <QQuickView>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

namespace {

class IdleSource : public EarthquakeDataSource {
public:
    const Region &region() const override { return Region::canaryIslands(); }
    void fetchEarthquakes(QObject *, FetchCompletion completion) override
    {
        completion(Error{Error::Domain::Transport, 1, QStringLiteral("offline")});
    }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool waitFor(const std::function<bool()> &done, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    return true;
}

struct Store {
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("d.conf"))};
    std::unique_ptr<ModelContainer> container;
    std::unique_ptr<EarthquakeRepository> repository;

    explicit Store(int count)
    {
        const QString path = dir.filePath(QStringLiteral("store.sqlite"));
        StoreGenerator::Options options;
        options.count = count;
        options.recentCount = count / 50;
        QString error;
        if (!StoreGenerator::generate(path, options, &error)) {
            std::fprintf(stderr, "cannot generate the store: %s\n", qPrintable(error));
            std::exit(1);
        }
        container = std::move(*ModelContainer::open({path, false}));
        EarthquakeRepository::Environment env;
        env.defaults = &defaults;
        repository = std::make_unique<EarthquakeRepository>(container->mainContext(), std::make_unique<IdleSource>(), env);
    }
};

// The screen in a window of the desktop's size.
struct Screen {
    QQmlEngine engine;
    QQuickWindow window;
    QQuickItem *root = nullptr;
    int frames = 0;

    Screen()
    {
        engine.addImportPath(QStringLiteral("qrc:/"));
        QObject::connect(&window, &QQuickWindow::frameSwapped, &window, [this] { ++frames; });
        window.resize(1100, 720);
    }
    ~Screen()
    {
        if (root) {
            root->setParentItem(nullptr);
            delete root;
        }
    }
    bool create(const QUrl &url, const QVariantMap &properties)
    {
        QQmlComponent component(&engine, url);
        root = qobject_cast<QQuickItem *>(component.createWithInitialProperties(properties));
        if (!root) {
            std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
            return false;
        }
        root->setParentItem(window.contentItem());
        root->setSize(QSizeF(1100, 720));
        window.show();
        return true;
    }
    // One frame after `change`: its time, from the change to the frame on screen.
    double frame(const std::function<void()> &change)
    {
        QElapsedTimer t;
        t.start();
        const int before = frames;
        change();
        window.update();
        waitFor([&] { return frames > before; }, 10000);
        return t.nsecsElapsed() / 1e6;
    }
};

QVariantMap screenProperties(Store &store)
{
    return {{QStringLiteral("repository"), QVariant::fromValue(store.repository.get())},
            {QStringLiteral("context"), QVariant::fromValue(store.container->mainContext())},
            {QStringLiteral("tilesEnabled"), false}};
}

const QUrl kMapView(QStringLiteral("qrc:/Sismovantaquelorin/MapView.qml"));

void refilterAndFirstFrame()
{
    Store store(1000000);
    EarthquakeSnapshot *snapshot = store.container->snapshot();
    snapshot->rows();  // warm, as after the statistics screen or an earlier visit

    // map_refilter: the model and a layer, no window: the assignment's own cost
    MapViewModel viewModel;
    MapEarthquakesModel model;
    model.setViewModel(&viewModel);
    QElapsedTimer sync;
    sync.start();
    model.setContext(store.container->mainContext());
    std::printf("# map_first_frame: per-event marker data of 1,000,000 events built in %.1f ms\n", sync.nsecsElapsed() / 1e6);
    MarkerLayer layer;
    QObject::connect(&model, &MapEarthquakesModel::markersChanged, &layer, [&] { layer.setMarkerSet(model.markerSet()); });
    // one assignment each: magnitude (m) or date (d)
    struct Change { char which; const char *value; };
    const Change changes[] = {{'m', "micro"}, {'m', "low"},     {'d', "last30d"}, {'m', "moderate"}, {'d', "last7d"},
                              {'m', "all"},   {'d', "all"},     {'m', "strong"},  {'d', "last24h"},  {'m', "low"},
                              {'d', "lastHour"}, {'m', "all"},  {'d', "all"}};
    std::vector<double> ours;
    for (int round = 0; round < 3; ++round) {
        for (const Change &c : changes) {
            QElapsedTimer t;
            t.start();
            if (c.which == 'm')
                viewModel.setSelectedFilterRaw(QString::fromLatin1(c.value));
            else
                viewModel.setSelectedDateFilterRaw(QString::fromLatin1(c.value));
            ours.push_back(t.nsecsElapsed() / 1e6);
        }
    }
    // the plain way: every row read from the store, then filtered (once: it takes seconds)
    std::vector<double> baseline;
    for (int round = 0; round < 2; ++round) {
        QElapsedTimer t;
        t.start();
        FetchDescriptor all;
        all.sortByDate = SortOrder::Reverse;
        const auto fetched = store.container->mainContext()->fetch(all);
        const QDateTime cutoff = QDateTime::currentDateTimeUtc().addDays(-7);
        int kept = 0;
        for (const auto &e : *fetched)
            kept += e->magnitudeCategory() == MagnitudeCategory::Low && e->date() >= cutoff ? 1 : 0;
        baseline.push_back(t.nsecsElapsed() / 1e6);
        if (kept < 0)
            std::printf("#");
    }
    const double o = median(ours), b = median(baseline);
    std::printf("bench map_refilter 1000000events ours_ms=%.3f fetch_all_and_filter_ms=%.1f ratio=%.0f\n", o, b, b / o);
    std::printf("# map_refilter: median of %zu assignments, slowest %.2f ms\n", ours.size(),
                *std::max_element(ours.begin(), ours.end()));
    std::fflush(stdout);

    // map_first_frame: creation to the first frame with the markers drawn
    std::vector<double> first;
    for (int round = 0; round < 3; ++round) {
        Screen screen;
        QElapsedTimer t;
        t.start();
        if (!screen.create(kMapView, screenProperties(store)))
            std::exit(1);
        auto *layer = screen.root->property("markerLayer").value<MarkerLayer *>();
        waitFor([&] { return layer->isBatchCurrent() && layer->drawnCount() > 0; });
        const int before = screen.frames;
        waitFor([&] { return screen.frames > before; });
        first.push_back(t.nsecsElapsed() / 1e6);
        if (round == 0)
            std::printf("# map_first_frame renderer: %s, platform %s; %d markers drawn\n",
                        qPrintable(bench::rendererName(screen.window)), qPrintable(QGuiApplication::platformName()),
                        layer->drawnCount());
    }
    QElapsedTimer t;
    t.start();
    FetchDescriptor all;
    all.sortByDate = SortOrder::Reverse;
    const auto fetched = store.container->mainContext()->fetch(all);
    const double query = t.nsecsElapsed() / 1e6;
    const double f = median(first);
    std::printf("bench map_first_frame 1000000events ours_ms=%.1f store_query_ms=%.1f ratio=%.1f\n", f, query, query / f);
    std::fflush(stdout);
}

struct FrameStats {
    double mean = 0, median = 0, worst = 0;
    explicit FrameStats(std::vector<double> ms = {})
    {
        if (ms.empty())
            return;
        for (double m : ms)
            mean += m / ms.size();
        worst = *std::max_element(ms.begin(), ms.end());
        median = ::median(std::move(ms));
    }
};

// Frames of a steady back-and-forth pan, 8 pixels a frame, 800 out and back.
FrameStats pan(Screen &screen, GeoMap *map)
{
    std::vector<double> ms;
    for (int i = 0; i < 210; ++i) {
        const double dx = (i / 100) % 2 == 0 ? 8.0 : -8.0;
        const double one = screen.frame([&] { map->pan(dx, dx / 2); });
        if (i >= 10)
            ms.push_back(one);
    }
    return FrameStats(std::move(ms));
}

// A zoom in and out by quarter levels about the window's middle, one step a frame. With
// `waitForBatch` each step waits for its rebuilt batch before its frame, as a rebuild inside
// the frame would.
FrameStats zoom(Screen &screen, GeoMap *map, MarkerLayer *layer, bool waitForBatch)
{
    std::vector<double> ms;
    for (int i = 0; i < 48; ++i) {
        const double levels = (i / 6) % 2 == 0 ? 0.25 : -0.25;
        const double one = screen.frame([&] {
            map->zoomAround(levels, QPointF(550, 360));
            if (waitForBatch) {
                QCoreApplication::processEvents();
                waitFor([&] { return layer->isBatchCurrent(); });
            }
        });
        ms.push_back(one);
    }
    waitFor([&] { return layer->isBatchCurrent(); });
    return FrameStats(std::move(ms));
}

// Frames of a window that shows nothing, as the floor under every other figure.
FrameStats emptyFrames(int count)
{
    Screen empty;
    empty.window.setColor(Qt::white);
    empty.window.show();
    std::vector<double> ms;
    for (int i = 0; i < count + 10; ++i) {
        const double one = empty.frame([] {});
        if (i >= 10)
            ms.push_back(one);
    }
    return FrameStats(std::move(ms));
}

// The marker component alone (GeoMap + MarkerLayer, as bench/map) in a window of its own.
struct Bare : Screen {
    GeoMap *map = nullptr;
    MarkerLayer *layer = nullptr;
    Bare()
    {
        QQmlComponent c(&engine);
        c.setData("import QtQuick\nimport Sismovantaquelorin.Map\n"
                  "GeoMap { tilesEnabled: false; MarkerLayer { objectName: \"layer\" } }",
                  QUrl(QStringLiteral("qrc:/bench_mapscreen_component.qml")));
        root = qobject_cast<QQuickItem *>(c.create());
        root->setParentItem(window.contentItem());
        root->setSize(QSizeF(1100, 720));
        window.show();
        map = qobject_cast<GeoMap *>(root);
        layer = map->findChild<MarkerLayer *>(QStringLiteral("layer"));
        map->fitRegion(QGeoCoordinate(28.3, -16.0), 3.0, 5.0);
        waitFor([&] { return layer->isBatchCurrent(); });
    }
};

// The frames that first show a new batch, against the frames in between: the markers
// alternate between two sets at a fixed camera, and each frame is timed from the start of
// its animation step to its swap, so that the time spent waiting for the worker is left out.
void newBatchFrames(Bare &bare, const MarkerSet &all)
{
    auto every = std::make_shared<std::vector<quint32>>();
    for (size_t k = 0; k < all.shown()->size(); k += 2)
        every->push_back((*all.shown())[k]);
    const MarkerSet half(all.data(), every);
    QElapsedTimer clock;
    clock.start();
    qint64 frameStart = 0;
    bool shows = false, shown = false;
    std::vector<double> showing, steady;
    QObject context;
    QObject::connect(&bare.window, &QQuickWindow::afterAnimating, &context, [&] { frameStart = clock.nsecsElapsed(); });
    QObject::connect(bare.layer, &MarkerLayer::batchReady, &context, [&] { shows = true; });
    QObject::connect(&bare.window, &QQuickWindow::frameSwapped, &context, [&] {
        const double ms = (clock.nsecsElapsed() - frameStart) / 1e6;
        (shows ? showing : steady).push_back(ms);
        shown = shows;
        shows = false;
    });
    for (int i = 0; i < 24; ++i) {
        bare.layer->setMarkerSet(i % 2 == 0 ? half : all);
        shown = false;
        QElapsedTimer guard;
        guard.start();
        while (!shown && guard.elapsed() < 20000)
            bare.frame([] {});
        for (int k = 0; k < 3; ++k)
            bare.frame([] {});
    }
    const FrameStats ours(showing), others(steady);
    std::printf("bench map_new_batch_frame 100000markers ours_ms=%.1f steady_frame_ms=%.1f ratio=%.2f\n", ours.worst,
                others.median, others.median / ours.worst);
    std::printf("# map_new_batch_frame: %zu frames showing a new batch, slowest %.1f ms, median %.1f ms; the frames "
                "between them median %.1f ms: a new batch costs at most %.1f ms more\n",
                showing.size(), ours.worst, ours.median, others.median, ours.worst - others.median);
    std::fflush(stdout);
}

void panAndZoom()
{
    Store store(100000);
    store.container->snapshot()->rows();
    Screen screen;
    if (!screen.create(kMapView, screenProperties(store)))
        std::exit(1);
    auto *map = screen.root->property("map").value<GeoMap *>();
    auto *layer = screen.root->property("markerLayer").value<MarkerLayer *>();
    // every marker in view: the islands fill the window
    map->fitRegion(QGeoCoordinate(28.3, -16.0), 3.0, 5.0);
    waitFor([&] { return layer->isBatchCurrent() && layer->drawnCount() > 0; });
    const FrameStats ours = pan(screen, map);
    std::printf("# map_screen_pan: %d markers on the layer, %d drawn after buried ones are dropped\n", layer->count(),
                layer->drawnCount());
    const MarkerSet markers = screen.root->property("mapModel").value<MapEarthquakesModel *>()->markerSet();

    // The screen animates its newest marker without pause: hidden, it leaves the frames of the
    // windows below to themselves.
    screen.window.hide();
    FrameStats component;
    {
        const FrameStats floor = emptyFrames(200);
        Bare bare;
        const FrameStats baseZoom = zoom(bare, bare.map, bare.layer, false);
        bare.map->fitRegion(QGeoCoordinate(28.3, -16.0), 3.0, 5.0);
        const FrameStats basePan = pan(bare, bare.map);
        std::printf("bench map_base_zoom nomarkers ours_ms=%.1f empty_window_ms=%.1f ratio=%.2f\n", baseZoom.worst,
                    floor.worst, floor.worst / baseZoom.worst);
        std::printf("bench map_base_pan nomarkers ours_ms=%.1f empty_window_ms=%.1f ratio=%.2f\n", basePan.worst,
                    floor.worst, floor.worst / basePan.worst);
        std::printf("# base map alone (no markers), slowest frames: zoom median %.1f ms, pan median %.1f ms; an empty "
                    "window of the same size: median %.1f ms\n",
                    baseZoom.median, basePan.median, floor.median);
        std::fflush(stdout);

        bare.map->fitRegion(QGeoCoordinate(28.3, -16.0), 3.0, 5.0);
        bare.layer->setMarkerSet(markers);
        waitFor([&] { return bare.layer->isBatchCurrent() && bare.layer->drawnCount() > 0; });
        component = pan(bare, bare.map);
        newBatchFrames(bare, markers);
    }
    std::printf("bench map_screen_pan 100000markers ours_ms=%.2f component_only_ms=%.2f ratio=%.2f\n", ours.mean,
                component.mean, component.mean / ours.mean);
    std::printf("# map_screen_pan: per frame median %.1f ms, slowest %.1f ms; component only median %.1f ms, slowest %.1f ms\n",
                ours.median, ours.worst, component.median, component.worst);
    std::fflush(stdout);

    screen.window.show();
    waitFor([&] { return screen.window.isExposed(); });
    for (int i = 0; i < 10; ++i)
        screen.frame([] {});
    const FrameStats async = zoom(screen, map, layer, false);
    const FrameStats sync = zoom(screen, map, layer, true);
    std::printf("bench map_zoom_rebuild 100000markers ours_ms=%.1f synchronous_rebuild_ms=%.1f ratio=%.2f\n", async.worst,
                sync.worst, sync.worst / async.worst);
    std::printf("# map_zoom_rebuild: slowest frame of a zoom; median %.1f ms ours, %.1f ms synchronous\n", async.median,
                sync.median);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char *argv[])
{
    bench::rerunUnderXvfbIfHeadless(argc, argv);
    bench::renderUnthrottled();
    QGuiApplication app(argc, argv);
    const bool quick = std::getenv("SISMO_BENCH_MAPSCREEN_PANZOOM_ONLY") != nullptr;
    if (!quick)
        refilterAndFirstFrame();
    panAndZoom();
    return 0;
}
