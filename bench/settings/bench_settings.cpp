// The settings window: with a main window shown on an empty temporary store, the time from
// WindowScenes::openWindow("settings") to the settings window's first frame, at the first
// opening and at later ones (median of 5). Then the stall cases of the tests, each printing the
// longest interval between two ticks of a 5 ms timer on the main thread (target: 50 ms); the
// settings buttons beside the same two programs started on the main thread itself.
// Runs itself on a private D-Bus session bus, which also stands in for the system bus.
#include "FakeSettingsProgram.h"
#include "PrivateBus.h"
#include "MainThreadWatch.h"
#include "StallCases.h"

#include "Desktop/WindowScenes.h"
#include "Persistence/PersistenceController.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QQmlApplicationEngine>
#include <QQmlExtensionPlugin>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_DesktopPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

namespace {

void spin(const std::function<bool()> &done, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// From asking for the settings window to its first frame; closes it again.
double openSettingsOnce()
{
    WindowScenes *scenes = WindowScenes::shared();
    bool framed = false;
    double ms = -1;
    QElapsedTimer timer;
    timer.start();
    scenes->openWindow(WindowScenes::settingsIdentifier);
    QPointer<QQuickWindow> window = scenes->settingsWindow();
    if (!window)
        return -1;
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] {
        if (!framed) {
            framed = true;
            ms = timer.nsecsElapsed() / 1e6;
        }
    }, Qt::DirectConnection);
    spin([&] { return framed; });
    window->close();
    spin([&] { return window.isNull(); });
    return ms;
}

void printFigure(const char *figure, const QString &size, double ms)
{
    std::printf("bench %s %s ours_ms=%.1f\n", figure, qPrintable(size), ms);
    std::fflush(stdout);
}

// The settings buttons' baseline: the same two programs started on the main thread itself
// (QProcess::startDetached forks twice and waits for the exec), watched the same way.
double startsOnTheMainThread()
{
    FakeSettingsProgram program("exec >/dev/null 2>&1 </dev/null\nsleep 5\n");
    if (!program.isReady())
        return -1;
    MainThreadWatch watch;
    watch.start();
    QProcess::startDetached(program.path(), {QStringLiteral("notifications")});
    QProcess::startDetached(program.path(), {QStringLiteral("location")});
    spin([] { return false; }, 500);
    return watch.stop();
}

}  // namespace

int main(int argc, char *argv[])
{
    // A bus of our own: the stall cases own names on it and give it as the system bus.
    bench::rerunOnPrivateBus(argc, argv);
    prepareStallEnvironment();

    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toUtf8());
    qputenv("SISMOVANTAQUELORIN_CATALOGUE_URL", "http://127.0.0.1:9/get10dias");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("sismovantaquelorin"));
    QGuiApplication::setOrganizationName(QStringLiteral("sismovantaquelorin"));
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    PersistenceController::shared();

    int status = 0;
    {
        QQmlApplicationEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/"));
        WindowScenes *scenes = WindowScenes::shared();
        scenes->setEngine(&engine);
        QQuickWindow *main = scenes->openMainWindow();
        if (!main) {
            std::fprintf(stderr, "bench_settings: no main window\n");
            return 1;
        }
        bool shown = false;
        QObject::connect(main, &QQuickWindow::frameSwapped, main, [&] { shown = true; }, Qt::DirectConnection);
        spin([&] { return shown; });
        spin([] { return false; }, 500);  // the main window's start-up work settles

        printFigure("settings_first_frame", QStringLiteral("first_open"), openSettingsOnce());
        std::vector<double> reopen;
        for (int i = 0; i < 5; ++i)
            reopen.push_back(openSettingsOnce());
        std::sort(reopen.begin(), reopen.end());
        printFigure("settings_first_frame", QStringLiteral("reopen"), reopen[reopen.size() / 2]);

        scenes->closeAll();
        for (const StallCase &stall : stallCases()) {
            const StallResult result = stall.run(engine);
            if (!result.problem.isEmpty()) {
                std::fprintf(stderr, "bench_settings: %s: %s\n", qPrintable(stall.name), qPrintable(result.problem));
                status = 1;
                continue;
            }
            if (stall.name == u"settings_buttons") {
                const double baseline = startsOnTheMainThread();
                std::printf("bench settings_longest_main_thread_stall settings_buttons ours_ms=%.1f "
                            "main_thread_start_ms=%.1f ratio=%.2f\n", result.longestMs, baseline,
                            baseline / result.longestMs);
                std::fflush(stdout);
                continue;
            }
            printFigure("settings_longest_main_thread_stall", stall.name, result.longestMs);
        }
    }
    return status;
}
