// Times the application's start: process start to the first frame of the main window, which
// the application reports on standard output when asked (SISMO_REPORT_FIRST_FRAME), together
// with its resident memory. Each case runs in a home of its own, offscreen, with a catalogue
// address that refuses at once, so no download is part of the figure.
#include "StoreGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kRuns = 7;

struct Launch {
    double ms = 0;
    double rssMb = 0;
};

std::optional<Launch> launchOnce(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("SISMOVANTAQUELORIN_CATALOGUE_URL"), QStringLiteral("http://127.0.0.1:9/get10dias"));
    env.insert(QStringLiteral("SISMO_REPORT_FIRST_FRAME"), QStringLiteral("1"));
    env.insert(QStringLiteral("SISMO_EXIT_AFTER_FIRST_FRAME"), QStringLiteral("1"));
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    QProcess app;
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer timer;
    timer.start();
    app.start(QStringLiteral(SISMO_APP_PATH), {});
    QByteArray line;
    while (!line.contains('\n') && app.waitForReadyRead(30000))
        line += app.readAllStandardOutput();
    const double ms = timer.nsecsElapsed() / 1e6;
    app.waitForFinished(10000);
    if (!line.startsWith("first_frame")) {
        std::fprintf(stderr, "bench_startup: no first frame reported: %s\n", app.readAllStandardError().constData());
        return std::nullopt;
    }
    const qsizetype at = line.indexOf("rss_kb=");
    const long kb = at < 0 ? -1 : line.mid(at + 7).trimmed().toLong();
    return Launch{ms, kb / 1024.0};
}

// The median of several launches (the first warms the file cache and is dropped).
std::optional<Launch> measure(const QString &home)
{
    if (!launchOnce(home))
        return std::nullopt;
    std::vector<Launch> runs;
    for (int i = 0; i < kRuns; ++i) {
        const auto run = launchOnce(home);
        if (!run)
            return std::nullopt;
        runs.push_back(*run);
    }
    std::sort(runs.begin(), runs.end(), [](const Launch &a, const Launch &b) { return a.ms < b.ms; });
    Launch median = runs[runs.size() / 2];
    std::vector<double> rss;
    for (const Launch &r : runs)
        rss.push_back(r.rssMb);
    std::sort(rss.begin(), rss.end());
    median.rssMb = rss[rss.size() / 2];
    return median;
}

QString storePath(const QString &home)
{
    // AppDataLocation for organisation and application "sismovantaquelorin".
    const QString dir = home + QStringLiteral("/data/sismovantaquelorin/sismovantaquelorin");
    QDir().mkpath(dir);
    return dir + QStringLiteral("/earthquakes.sqlite");
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    QTemporaryDir emptyHome;
    const auto empty = measure(emptyHome.path());
    if (!empty)
        return 1;
    out << "bench startup_first_frame empty ours_ms=" << QString::number(empty->ms, 'f', 1) << '\n';
    out.flush();

    QTemporaryDir bigHome;
    StoreGenerator::Options options;
    options.count = 1000000;
    options.recentCount = 1000;  // about a month of the islands' activity
    QString error;
    if (!StoreGenerator::generate(storePath(bigHome.path()), options, &error)) {
        std::fprintf(stderr, "bench_startup: %s\n", qPrintable(error));
        return 1;
    }
    const auto big = measure(bigHome.path());
    if (!big)
        return 1;
    out << "bench startup_first_frame 1000000events ours_ms=" << QString::number(big->ms, 'f', 1) << '\n';
    out << "bench startup_rss_mb 1000000events ours_ms=" << QString::number(big->rssMb, 'f', 1) << '\n';
    return 0;
}
