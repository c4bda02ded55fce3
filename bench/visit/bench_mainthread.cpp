// The main thread through one user's whole visit at a million events:
//   main_thread_longest_stall 1000000events
// the longest interval in which the main thread did not answer a timer posted every 5 ms,
// from the main window's first frame on: the launch's own refresh, a refresh with a 2,000-row
// page from a loopback server, each section, a filter change on each screen that has filters, a
// history page, the settings window, and a last refresh once every section has been shown.
// Baseline: the same visit on an empty store. Each step's longest interval is printed too, the
// median of three processes per case. Runs itself under
// Xvfb (OpenGL through Mesa llvmpipe) and on a private D-Bus session bus.
#include "AppHome.h"
#include "GpuWindow.h"
#include "StallVisit.h"
#include "StoreGenerator.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kProcesses = 3;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Each step's longest interval, the median over the processes.
std::optional<std::map<QString, double>> measure(const AppHome &home)
{
    std::map<QString, std::vector<double>> runs;
    for (int i = 0; i < kProcesses; ++i) {
        // The child serves the catalogue itself and points the application at it.
        const auto output = home.runAgain({QStringLiteral("--visit")}, QString());
        if (!output)
            return std::nullopt;
        for (const QByteArray &line : output->split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 3 && parts[0] == "step")
                runs[QString::fromUtf8(parts[1])].push_back(parts[2].toDouble());
        }
    }
    std::map<QString, double> medians;
    for (const auto &[step, values] : runs)
        medians[step] = median(values);
    return medians;
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc == 2 && qstrcmp(argv[1], "--visit") == 0) {
        bench::renderUnthrottled();
        QGuiApplication app(argc, argv);
        return StallVisit::run();
    }

    bench::rerunUnderXvfbIfHeadless(argc, argv);
    // A bus of our own: notifications and permission requests go nowhere, and at once.
    if (qEnvironmentVariableIsEmpty("SISMO_BENCH_PRIVATE_BUS")) {
        qputenv("SISMO_BENCH_PRIVATE_BUS", "1");
        std::vector<char *> args{const_cast<char *>("dbus-run-session"), const_cast<char *>("--")};
        for (int i = 0; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
        std::fflush(stdout);
        execvp("dbus-run-session", args.data());
        std::fprintf(stderr, "bench_mainthread: no dbus-run-session; running on the session bus as it is\n");
    }
    QCoreApplication app(argc, argv);
    const AppHome empty;
    const AppHome million;
    if (!StoreGenerator::generateMillion(million.storePath()))
        return 1;
    const auto ours = measure(million);
    const auto baseline = measure(empty);
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
