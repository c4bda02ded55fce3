// Parse figures: our table parser against a plain scan of the same text (the floor) and
// against a straightforward Python html.parser scraper of the same page.
#include "CataloguePage.h"

#include "Networking/HTMLParser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace {

// `work` times itself and returns milliseconds.
double medianMs(int runs, const std::function<double()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(work());
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void line(int rows, double ours, const char *baselineName, double baseline)
{
    std::printf("bench parse %drows ours_ms=%.3f %s_ms=%.3f ratio=%.2f\n", rows, ours, baselineName, baseline,
                baseline / ours);
    std::fflush(stdout);
}

volatile qsizetype sink = 0;

// Reads every UTF-16 unit once: nothing can parse the page faster.
qsizetype countTagOpenings(const QString &text)
{
    qsizetype n = 0;
    for (const QChar c : text)
        n += c == u'<';
    return n;
}

double pythonMs(const QString &script, const QString &pagePath, int runs, int expectedEvents)
{
    QProcess python;
    python.start(QStringLiteral("python3"), {script, pagePath, QString::number(runs)});
    if (!python.waitForFinished(600000) || python.exitCode() != 0) {
        std::fprintf(stderr, "python baseline failed: %s\n", python.readAllStandardError().constData());
        return -1;
    }
    // "ms=<median> events=<count>"
    const QList<QByteArray> fields = python.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() < 2 || fields[1] != "events=" + QByteArray::number(expectedEvents))
        std::fprintf(stderr, "python baseline read a different number of events\n");
    return fields.value(0).mid(3).toDouble();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString script = QStringLiteral(SISMO_PYTHON_SCRAPER);

    struct Size { int rows; int runs; int pythonRuns; };
    for (const Size size : {Size{100, 201, 31}, Size{2000, 41, 9}, Size{12000, 21, 5}}) {
        const QString page = CataloguePage::html(size.rows);

        // The events are kept until the clock has stopped: freeing them is not parsing.
        qsizetype events = 0;
        std::optional<Expected<ParsedEarthquakeList>> kept;
        const double ours = medianMs(size.runs, [&] {
            kept.reset();
            QElapsedTimer t;
            t.start();
            kept.emplace(HTMLParser::parseTable(page));
            const double ms = t.nsecsElapsed() / 1e6;
            events = *kept ? (*kept)->size() : 0;
            return ms;
        });
        kept.reset();
        if (events != size.rows)
            std::fprintf(stderr, "parsed %lld of %d rows\n", qlonglong(events), size.rows);

        const double scan = medianMs(size.runs, [&] {
            QElapsedTimer t;
            t.start();
            sink = countTagOpenings(page);
            return t.nsecsElapsed() / 1e6;
        });
        line(size.rows, ours, "plain_scan", scan);

        const QString pagePath = dir.filePath(QStringLiteral("page-%1.html").arg(size.rows));
        QFile file(pagePath);
        if (!file.open(QIODevice::WriteOnly) || file.write(page.toUtf8()) < 0)
            return 1;
        file.close();
        const double python = pythonMs(script, pagePath, size.pythonRuns, size.rows);
        line(size.rows, ours, "python_html_parser", python);
        if (size.rows == 12000)
            std::fprintf(stderr, "(page of %d rows: %.2f MiB as UTF-8)\n", size.rows, page.toUtf8().size() / 1048576.0);
    }
    return 0;
}
