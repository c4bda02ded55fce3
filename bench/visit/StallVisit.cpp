#include "StallVisit.h"

#include "AppSession.h"
#include "CataloguePage.h"
#include "HttpTestServer.h"
#include "MainThreadWatch.h"

#include "Desktop/FirstLaunchPermission.h"
#include "Desktop/NavigationState.h"
#include "Desktop/WindowScenes.h"
#include "Platform/UserDefaults.h"
#include "ViewModels/EarthquakeListViewModel.h"
#include "ViewModels/HistoricoViewModel.h"

#include <QDateTime>
#include <QQuickWindow>
#include <QThread>

#include <cstdio>
#include <functional>
#include <vector>

namespace StallVisit {
namespace {

// The catalogue on a thread of its own, so that serving a page never counts as the
// application's main thread being held.
class CatalogueServer {
public:
    CatalogueServer()
    {
        m_home.moveToThread(&m_thread);
        m_thread.start();
        onServerThread([this] {
            m_server = new HttpTestServer;
            m_server->listen();
        });
    }
    ~CatalogueServer()
    {
        onServerThread([this] { delete m_server; });
        m_thread.quit();
        m_thread.wait();
    }
    QUrl url() const { return m_server->url(QStringLiteral("/get10dias")); }
    void serve(const QByteArray &page)
    {
        onServerThread([this, page] {
            m_server->setResponse(QStringLiteral("/get10dias"),
                                  {200, {{"Content-Type", "text/html; charset=utf-8"}}, page});
        });
    }

private:
    void onServerThread(const std::function<void()> &work)
    {
        QMetaObject::invokeMethod(&m_home, work, Qt::BlockingQueuedConnection);
    }

    QThread m_thread;
    QObject m_home;
    HttpTestServer *m_server = nullptr;
};

QObject *child(QObject *screen, const char *name)
{
    return screen ? screen->findChild<QObject *>(QLatin1String(name)) : nullptr;
}

QObject *viewModelOf(QObject *screen)
{
    return screen ? screen->property("viewModel").value<QObject *>() : nullptr;
}

struct Step {
    const char *name;
    // Starts the step; returns what tells that its work is over (checked as the loop runs).
    std::function<std::function<bool()>()> start;
    int settleMs;  // watched after it is over: what it set off (a reload, a draw) counts too
};

}  // namespace

QStringList stepNames()
{
    return {QStringLiteral("start"), QStringLiteral("refresh_2000_rows"), QStringLiteral("sismos_filter"),
            QStringLiteral("historico"), QStringLiteral("historico_filter"), QStringLiteral("historico_page"),
            QStringLiteral("mapa"), QStringLiteral("mapa_filter"), QStringLiteral("stats"),
            QStringLiteral("settings_window"), QStringLiteral("sismos_again"),
            QStringLiteral("refresh_sections_built")};
}

int run()
{
    CatalogueServer catalogue;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // The launch finds the newest hundred events; the refresh then brings a full page, 1,900
    // of its rows new to the store (a page's rows are numbered from its newest).
    catalogue.serve(CataloguePage::utf8(100, now));
    qputenv("SISMOVANTAQUELORIN_CATALOGUE_URL", catalogue.url().toString().toUtf8());

    AppSession session;
    // A user who has answered the permission question with yes: the refresh's alerts are weighed.
    UserDefaults::standard().setBool(FirstLaunchPermission::hasAskedKey, true);
    UserDefaults::standard().setBool(QStringLiteral("notificationsEnabled"), true);

    QQuickWindow *window = session.openMainWindow();
    if (!window || !AppSession::waitForFrame(window))
        return 1;
    const auto screen = [window] { return AppSession::detailScreen(window); };
    QObject *repository = window->findChild<QObject *>(QStringLiteral("mainView"))->property("repository").value<QObject *>();
    const auto refreshed = [repository] { return !repository->property("isLoading").toBool(); };
    const auto show = [&screen](const char *section, std::function<bool(QObject *)> shown) {
        NavigationState::shared()->setSidebarSelectionRaw(QLatin1String(section));
        return std::function<bool()>([screen, shown] { return screen() && shown(screen()); });
    };

    const std::vector<Step> steps = {
        {"start", [&] { return std::function<bool()>(refreshed); }, 2000},
        {"refresh_2000_rows", [&] {
             catalogue.serve(CataloguePage::utf8(2000, now));
             qobject_cast<EarthquakeListViewModel *>(viewModelOf(screen()))->manualRefresh();
             return std::function<bool()>(refreshed);
         }, 2000},
        {"sismos_filter", [&] {
             viewModelOf(screen())->setProperty("selectedFilter", QStringLiteral("low"));
             return std::function<bool()>([] { return true; });
         }, 500},
        {"historico", [&] {
             return show("historico", [](QObject *s) { return s->property("screenState").toString() == u"list"; });
         }, 500},
        {"historico_filter", [&] {
             auto *vm = qobject_cast<HistoricoViewModel *>(viewModelOf(screen()));
             vm->applyFilter(vm->yearMonthFilter(now.date().year()));
             return std::function<bool()>([vm] { return !vm->isLoading(); });
         }, 500},
        {"historico_page", [&] {
             auto *vm = qobject_cast<HistoricoViewModel *>(viewModelOf(screen()));
             vm->loadMore();
             return std::function<bool()>([vm] { return !vm->isLoading(); });
         }, 500},
        {"mapa", [&] {
             return show("mapa", [](QObject *s) {
                 QObject *layer = child(s, "markerLayer");
                 return layer && layer->property("count").toInt() > 0;
             });
         }, 1500},
        {"mapa_filter", [&] {
             viewModelOf(screen())->setProperty("selectedFilter", QStringLiteral("low"));
             return std::function<bool()>([] { return true; });
         }, 1000},
        {"stats", [&] {
             return show("stats", [](QObject *s) { return viewModelOf(s)->property("hasEvents").toBool(); });
         }, 1000},
        {"settings_window", [&] {
             WindowScenes::shared()->openWindow(QStringLiteral("settings"));
             QQuickWindow *settings = WindowScenes::shared()->settingsWindow();
             auto drawn = std::make_shared<bool>(false);
             QObject::connect(settings, &QQuickWindow::frameSwapped, settings, [drawn] { *drawn = true; });
             return std::function<bool()>([drawn, settings] {
                 if (!*drawn)
                     return false;
                 settings->close();
                 return true;
             });
         }, 800},
        {"sismos_again", [&] {
             return show("sismos", [](QObject *s) { return s->property("screenState").toString() == u"list"; });
         }, 1000},
        // A periodic refresh once every section has been shown: 1,000 of the page's rows are new.
        {"refresh_sections_built", [&] {
             catalogue.serve(CataloguePage::utf8(3000, now));
             QMetaObject::invokeMethod(repository, "refresh");
             return std::function<bool()>(refreshed);
         }, 2000},
    };

    for (const Step &step : steps) {
        MainThreadWatch watch;
        watch.start();
        const std::function<bool()> over = step.start();
        const bool ended = AppSession::waitFor(over);
        AppSession::settle(step.settleMs);
        const double longest = watch.stop();
        if (!ended) {
            std::fprintf(stderr, "bench_mainthread: the step %s never ended\n", step.name);
            return 1;
        }
        std::printf("step %s %.1f\n", step.name, longest);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace StallVisit
