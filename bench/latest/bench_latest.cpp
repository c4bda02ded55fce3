// The latest-events list over a store of a million events, 20,000 of them in the last 30 days:
// refiltering after a filter change and after a search, and the screen's first frame: from
// creating it in a shown window (as a main window does) to the frame that draws it. The first
// frame's baseline is its floor: the same list model in a list of one plain text per row.
// Under a headless run it starts itself again under Xvfb, so the scene graph renders with
// OpenGL (Mesa llvmpipe) as on a desktop; it prints the renderer.
#include "GpuWindow.h"
#include "StoreGenerator.h"

#include "DataSources/EarthquakeDataSource.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/UserDefaults.h"
#include "Repositories/EarthquakeRepository.h"
#include "ViewModels/EarthquakeListViewModel.h"
#include "ViewModels/LatestEarthquakesModel.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <algorithm>
#include <ctime>
#include <cstdio>
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

// The floor of a first frame: the screen's own list model, one plain text per row.
const char kPlainList[] = R"(
import QtQuick
import Sismovantaquelorin.Core
ListView {
    id: list
    required property EarthquakeRepository repository
    required property ModelContext context
    model: LatestEarthquakesModel { context: list.context }
    delegate: Text {
        required property string location
        width: ListView.view.width
        height: 46
        text: location
    }
}
)";

double threadCpuMs()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct FrameTime {
    double wallMs = 0;
    double cpuMs = 0;  // this thread's processor time: what the machine's load does not inflate
};

// From creating a screen in a shown window to the window's first frame with it.
FrameTime firstFrame(QQuickWindow &window, QQmlComponent &component, const QVariantMap &properties)
{
    bool swapped = false;
    const QMetaObject::Connection frames =
        QObject::connect(&window, &QQuickWindow::frameSwapped, &window, [&] { swapped = true; });
    QElapsedTimer t;
    t.start();
    const double cpu = threadCpuMs();
    auto *item = qobject_cast<QQuickItem *>(component.createWithInitialProperties(properties));
    if (!item) {
        std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
        std::exit(1);
    }
    item->setParentItem(window.contentItem());
    item->setSize(window.size());
    while (!swapped)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const FrameTime time{t.nsecsElapsed() / 1e6, threadCpuMs() - cpu};
    QObject::disconnect(frames);
    item->setParentItem(nullptr);
    delete item;
    swapped = false;
    QObject::connect(&window, &QQuickWindow::frameSwapped, &window, [&] { swapped = true; }, Qt::SingleShotConnection);
    window.update();
    while (!swapped)  // the empty window drawn again before the next screen
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return time;
}

}  // namespace

int main(int argc, char **argv)
{
    bench::rerunUnderXvfbIfHeadless(argc, argv);
    bench::renderUnthrottled();
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("million.sqlite"));
    if (!StoreGenerator::generateMillion(path))
        return 1;
    auto container = std::move(*ModelContainer::open({path, false}));
    UserDefaults defaults(dir.filePath(QStringLiteral("defaults.conf")));
    EarthquakeRepository::Environment env;
    env.defaults = &defaults;
    EarthquakeRepository repository(container->mainContext(), std::make_unique<IdleSource>(), env);

    {
        EarthquakeListViewModel viewModel(&repository);
        viewModel.setDebounceInterval(0);
        LatestEarthquakesModel model;
        QElapsedTimer load;
        load.start();
        model.setViewModel(&viewModel);
        model.setContext(container->mainContext());
        const double loadMs = load.nsecsElapsed() / 1e6;

        std::vector<double> filterTimes;
        const char *filters[] = {"low", "micro", "moderate", "all"};
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer t;
            t.start();
            viewModel.setSelectedFilterRaw(QString::fromLatin1(filters[i % 4]));
            filterTimes.push_back(t.nsecsElapsed() / 1e6);
        }
        std::vector<double> searchTimes;
        const char *searches[] = {"tenerife", "palma", "güímar", ""};
        for (int i = 0; i < 20; ++i) {
            viewModel.setSearchText(QString::fromUtf8(searches[i % 4]));
            QCoreApplication::processEvents();  // the debounced copy follows
            QElapsedTimer t;
            t.start();
            model.recompute();
            searchTimes.push_back(t.nsecsElapsed() / 1e6);
        }
        std::printf("bench latest_load_30_days 1000000events ours_ms=%.3f\n", loadMs);
        std::printf("bench latest_refilter_filter_change 1000000events ours_ms=%.3f\n", median(filterTimes));
        std::printf("bench latest_refilter_search 1000000events ours_ms=%.3f\n", median(searchTimes));
        std::fflush(stdout);
    }

    // From creating the screen to its first frame on screen.
    QQmlEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));
    const QVariantMap properties{{QStringLiteral("repository"), QVariant::fromValue(&repository)},
                                 {QStringLiteral("context"), QVariant::fromValue(container->mainContext())}};
    QQmlComponent screen(&engine, QUrl(QStringLiteral("qrc:/Sismovantaquelorin/EarthquakeListView.qml")));
    QQmlComponent plain(&engine);
    plain.setData(kPlainList, QUrl(QStringLiteral("qrc:/bench/PlainList.qml")));
    QQuickWindow window;
    window.resize(1100, 720);
    window.show();
    const QString renderer = bench::rendererName(window);
    firstFrame(window, screen, properties);  // the types are loaded, the shaders compiled
    firstFrame(window, plain, properties);
    std::vector<double> ours, plainRows, oursCpu, plainRowsCpu;
    for (int run = 0; run < 15; ++run) {  // alternated, so the machine's load falls on both alike
        const FrameTime o = firstFrame(window, screen, properties);
        const FrameTime f = firstFrame(window, plain, properties);
        ours.push_back(o.wallMs);
        oursCpu.push_back(o.cpuMs);
        plainRows.push_back(f.wallMs);
        plainRowsCpu.push_back(f.cpuMs);
    }
    std::printf("# latest_first_frame renderer: %s; main-thread processor time ours %.1f ms, plain rows %.1f ms\n",
                qPrintable(renderer), median(oursCpu), median(plainRowsCpu));
    std::printf("bench latest_first_frame 1000000events ours_ms=%.1f plain_text_rows_ms=%.1f ratio=%.2f\n", median(ours),
                median(plainRows), median(plainRows) / median(ours));
    return 0;
}
