// Section changes in the main window: from the navigation change to the first frame that shows
// the new section's content, for each section's first visit and a later one, over an empty
// store and a million events:
//   section_switch <section>_<first|again> <size>
// ours: the application's main window. Baseline: a detail column that builds the chosen screen
// anew on every change, the screen that leaves destroyed first (a Loader over the four
// screens, as the main window once did). Each case runs in fresh processes (a first visit is
// only first once), starting on no section, with a catalogue address that refuses at once.
// Under a headless run it starts itself again under Xvfb, so the scene graph renders with
// OpenGL (Mesa llvmpipe).
#include "AppHome.h"
#include "GpuWindow.h"
#include "SectionVisit.h"
#include "StoreGenerator.h"

#include <QGuiApplication>

#include <cstdio>

namespace {

constexpr int kProcesses = 3;  // per case; the figure is their median
const QString kRefusedCatalogue = QStringLiteral("http://127.0.0.1:9/get10dias");

}  // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--visit") == 0) {
        bench::renderUnthrottled();
        QGuiApplication app(argc, argv);
        return SectionVisit::run(QString::fromLatin1(argv[2]));
    }

    bench::rerunUnderXvfbIfHeadless(argc, argv);
    QCoreApplication app(argc, argv);
    const AppHome empty;
    const AppHome million;
    if (!StoreGenerator::generateMillion(million.storePath()))
        return 1;

    QList<QByteArray> notes;  // the processes' "renderer <name>"
    const std::pair<const AppHome *, const char *> cases[] = {{&empty, "empty"}, {&million, "1000000events"}};
    for (const auto &[home, size] : cases) {
        const auto ours =
            home->medianFigures({QStringLiteral("--visit"), QStringLiteral("ours")}, kRefusedCatalogue, kProcesses, "visit", &notes);
        const auto rebuild = home->medianFigures({QStringLiteral("--visit"), QStringLiteral("rebuild")}, kRefusedCatalogue,
                                                 kProcesses, "visit", &notes);
        if (!ours || !rebuild)
            return 1;
        const QString renderer = notes.isEmpty() ? QStringLiteral("unknown") : QString::fromUtf8(notes.last().mid(9));
        if (home == &empty)
            std::printf("# section_switch renderer: %s; median of %d processes per case\n", qPrintable(renderer),
                        kProcesses);
        for (const QString &visit : SectionVisit::visitNames()) {
            const double o = ours->count(visit) ? ours->at(visit) : -1;
            const double b = rebuild->count(visit) ? rebuild->at(visit) : -1;
            std::printf("bench section_switch %s %s ours_ms=%.1f rebuild_ms=%.1f ratio=%.2f\n", qPrintable(visit), size,
                        o, b, o > 0 ? b / o : 0.0);
        }
        std::fflush(stdout);
    }
    return 0;
}
