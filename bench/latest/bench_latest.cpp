// The latest-events list over a store of a million events, 20,000 of them in the last 30 days:
// refiltering after a filter change and after a search, and the screen's first frame.
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

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
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
    std::vector<double> frameTimes;
    for (int run = 0; run < 5; ++run) {
        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/"));
        QQuickWindow window;
        window.resize(1100, 720);
        QElapsedTimer t;
        t.start();
        QQmlComponent component(&engine, QUrl(QStringLiteral("qrc:/Sismovantaquelorin/EarthquakeListView.qml")));
        QObject *object = component.createWithInitialProperties(
            {{QStringLiteral("repository"), QVariant::fromValue(&repository)},
             {QStringLiteral("context"), QVariant::fromValue(container->mainContext())}});
        auto *item = qobject_cast<QQuickItem *>(object);
        if (!item) {
            std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
            return 1;
        }
        item->setParentItem(window.contentItem());
        item->setSize(QSizeF(1100, 720));
        bool swapped = false;
        QObject::connect(&window, &QQuickWindow::frameSwapped, &window, [&] { swapped = true; });
        window.show();
        while (!swapped)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        frameTimes.push_back(t.nsecsElapsed() / 1e6);
        window.hide();
        item->setParentItem(nullptr);
        item->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::printf("bench latest_first_frame 1000000events ours_ms=%.3f\n", median(frameTimes));
    return 0;
}
