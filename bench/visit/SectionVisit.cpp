#include "SectionVisit.h"

#include "AppSession.h"
#include "GpuWindow.h"

#include "Desktop/NavigationState.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"

#include <QElapsedTimer>
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace SectionVisit {
namespace {

constexpr int kAgainRounds = 3;
const char *const kSections[] = {"sismos", "historico", "mapa", "stats"};

// The detail column as it was: the chosen section's screen built anew on every change, the one
// that leaves destroyed by the Loader before the new one is made.
const char kRebuildHost[] = R"(
import QtQuick
import Sismovantaquelorin
import Sismovantaquelorin.Core
import Sismovantaquelorin.Desktop
Window {
    width: 1100; height: 720; color: Theme.background
    readonly property var detailItem: loader.item
    RepositoryOwner { id: owner; context: Store.mainContext }
    Rectangle { width: 190; height: parent.height; color: Theme.sidebar }
    Loader {
        id: loader
        x: 191; width: parent.width - 191; height: parent.height
        active: owner.repository !== null
        sourceComponent: {
            switch (NavigationState.sidebarSelection) {
            case "sismos": return latest
            case "historico": return historico
            case "mapa": return map
            case "stats": return stats
            default: return placeholder
            }
        }
    }
    Component { id: latest; EarthquakeListView { repository: owner.repository; context: Store.mainContext } }
    Component { id: historico; HistoricoView { context: Store.mainContext } }
    Component { id: map; MapView { repository: owner.repository } }
    Component { id: stats; StatsView { context: Store.mainContext } }
    Component { id: placeholder; Item {} }
}
)";

QObject *child(QObject *screen, const char *name)
{
    return screen ? screen->findChild<QObject *>(QLatin1String(name)) : nullptr;
}

// Whether the screen shows its section's content: the list, its rows, the markers, the figures
// (or, on an empty store, the screen's empty state).
bool showsContent(QObject *screen, const QString &section, bool storeEmpty)
{
    if (!screen)
        return false;
    auto *item = qobject_cast<QQuickItem *>(screen);
    if (!item || !item->isVisible() || item->width() <= 0)
        return false;
    if (section == u"sismos") {
        const QString state = screen->property("screenState").toString();
        return storeEmpty ? !state.isEmpty() : state == u"list";
    }
    if (section == u"historico")
        return screen->property("screenState").toString() == (storeEmpty ? u"empty" : u"list");
    if (section == u"mapa") {
        if (storeEmpty)
            return child(screen, "map") != nullptr;
        QObject *layer = child(screen, "markerLayer");
        return layer && layer->property("count").toInt() > 0;
    }
    if (section == u"stats") {
        auto *model = screen->property("viewModel").value<QObject *>();
        return model && model->property("hasEvents").toBool() == !storeEmpty;
    }
    return false;
}

class Visitor {
public:
    Visitor(QQuickWindow *window, std::function<QObject *()> detail, bool storeEmpty)
        : m_window(window), m_detail(std::move(detail)), m_storeEmpty(storeEmpty)
    {
        // The basic render loop runs on this thread: the check sees the state the frame draws.
        QObject::connect(window, &QQuickWindow::beforeSynchronizing, window, [this] {
            if (m_measuring && !m_frameShows)
                m_frameShows = showsContent(m_detail(), m_section, m_storeEmpty);
        }, Qt::DirectConnection);
        QObject::connect(window, &QQuickWindow::frameSwapped, window, [this] {
            if (m_measuring && m_frameShows) {
                m_measuring = false;
                m_ms = m_clock.nsecsElapsed() / 1e6;
            }
        }, Qt::DirectConnection);
    }

    // From the change of section to the first frame that shows its content.
    double visit(const QString &section)
    {
        m_section = section;
        m_frameShows = false;
        m_ms = -1;
        m_measuring = true;
        m_clock.start();
        NavigationState::shared()->setSidebarSelectionRaw(section);
        m_window->update();
        if (!AppSession::waitFor([this] { return !m_measuring; })) {
            std::fprintf(stderr, "bench_sections: %s never showed its content\n", qPrintable(section));
            m_measuring = false;
        }
        AppSession::settle(600);  // what the screen starts on its appearance settles before the next change
        return m_ms;
    }

private:
    QQuickWindow *m_window;
    std::function<QObject *()> m_detail;
    bool m_storeEmpty;
    QString m_section;
    bool m_measuring = false;
    bool m_frameShows = false;
    double m_ms = -1;
    QElapsedTimer m_clock;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

QStringList visitNames()
{
    QStringList names;
    for (const char *kind : {"first", "again"})
        for (const char *section : kSections)
            names << QStringLiteral("%1_%2").arg(QLatin1String(section), QLatin1String(kind));
    return names;
}

int run(const QString &host)
{
    AppSession session;
    FetchDescriptor any;
    any.fetchLimit = 1;
    const auto some = session.container()->mainContext()->fetch(any);
    const bool storeEmpty = !some || some->isEmpty();

    NavigationState::shared()->setSidebarSelection(std::nullopt);  // every section's visit is a first one
    QQuickWindow *window = nullptr;
    std::function<QObject *()> detail;
    std::unique_ptr<QQuickWindow> rebuildWindow;
    if (host == u"ours") {
        window = session.openMainWindow();
        detail = [window] { return AppSession::detailScreen(window); };
    } else {
        QQmlComponent component(&session.engine());
        component.setData(kRebuildHost, QUrl(QStringLiteral("qrc:/bench/RebuildHost.qml")));
        rebuildWindow.reset(qobject_cast<QQuickWindow *>(component.create()));
        if (!rebuildWindow)
            std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
        window = rebuildWindow.get();
        if (window)
            window->show();
        detail = [window] { return window->property("detailItem").value<QObject *>(); };
    }
    if (!window)
        return 1;
    std::printf("renderer %s\n", qPrintable(bench::rendererName(*window)));
    AppSession::settle(3000);  // the start's own work (the refused refresh, loads after the first frame) ends

    Visitor visitor(window, detail, storeEmpty);
    std::map<QString, std::vector<double>> again;
    for (const char *section : kSections)
        std::printf("visit %s_first %.1f\n", section, visitor.visit(QLatin1String(section)));
    for (int round = 0; round < kAgainRounds; ++round)
        for (const char *section : kSections)
            again[QLatin1String(section)].push_back(visitor.visit(QLatin1String(section)));
    for (const char *section : kSections)
        std::printf("visit %s_again %.1f\n", section, median(again[QLatin1String(section)]));
    std::fflush(stdout);
    return 0;
}

}  // namespace SectionVisit
