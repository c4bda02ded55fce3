// The main thread through one user's whole visit at a million events:
//   main_thread_longest_stall 1000000events
// the longest interval in which the main thread did not answer a timer posted every 5 ms,
// from the main window's first frame on: the launch's own refresh, a refresh with a 2,000-row
// page from a loopback server, each section, a filter change on each screen that has filters, a
// history page, the settings window, and a last refresh once every section has been shown.
// Baseline: the same visit on an empty store. Each step's longest interval is printed too, the
// median of three processes per case. Runs itself under
// Xvfb (OpenGL through Mesa llvmpipe, the application's own render loop) and on a private D-Bus
// session bus.
#include "AppHome.h"
#include "GpuWindow.h"
#include "PrivateBus.h"
#include "StallVisit.h"
#include "StoreGenerator.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kProcesses = 3;

}  // namespace

int main(int argc, char *argv[])
{
    if (argc == 2 && qstrcmp(argv[1], "--visit") == 0) {
        // The application's own render loop: on X11 the scene graph renders on a thread of its
        // own, and the main thread waits only while each frame is handed over.
        QGuiApplication app(argc, argv);
        return StallVisit::run();
    }

    bench::rerunUnderXvfbIfHeadless(argc, argv);
    // A bus of our own: notifications and permission requests go nowhere, and at once.
    bench::rerunOnPrivateBus(argc, argv);
    QCoreApplication app(argc, argv);
    // Every process starts from the same store: a visit stores the pages it downloads.
    const QTemporaryDir stores;
    const QString millionStore = stores.filePath(QStringLiteral("million.sqlite"));
    if (!StoreGenerator::generateMillion(millionStore))
        return 1;
    const AppHome million;
    const AppHome empty;
    // The child serves the catalogue itself and points the application at it.
    const auto ours = million.medianFigures({QStringLiteral("--visit")}, QString(), kProcesses, "step", nullptr,
                                            [&] { return million.setStore(millionStore); });
    const auto baseline = empty.medianFigures({QStringLiteral("--visit")}, QString(), kProcesses, "step", nullptr,
                                              [&] { return empty.setStore(QString()); });
    if (!ours || !baseline)
        return 1;

    double longest = 0;
    double longestEmpty = 0;
    QString holder;
    for (const QString &step : StallVisit::stepNames()) {
        const double o = ours->count(step) ? ours->at(step) : -1;
        const double b = baseline->count(step) ? baseline->at(step) : -1;
        std::printf("# main_thread_longest_stall %s: 1000000events %.1f ms, empty store %.1f ms\n", qPrintable(step), o, b);
        if (o > longest) {
            longest = o;
            holder = step;
        }
        longestEmpty = std::max(longestEmpty, b);
    }
    std::printf("# main_thread_longest_stall renderer: Mesa llvmpipe under Xvfb when headless; the longest step: %s\n",
                qPrintable(holder));
    std::printf("bench main_thread_longest_stall 1000000events ours_ms=%.1f empty_store_ms=%.1f ratio=%.2f\n", longest,
                longestEmpty, longestEmpty / longest);
    return 0;
}
