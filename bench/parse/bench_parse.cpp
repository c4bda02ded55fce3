// Parse figures: our table parser against a plain scan of the same text (the floor) and
// against a straightforward Python html.parser scraper of the same page.
#include "CataloguePage.h"
#include "ResidentMemory.h"

#include "Networking/HTMLParser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QStringDecoder>
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

// Memory and time of a page of `bytes` UTF-8 bytes: the parse alone (beyond the decoded text),
// and decoding plus parsing as a download does it (beyond the downloaded bytes).
void memoryLine(const char *name, QByteArray body)
{
    const double bodyMb = body.size() / 1048576.0;
    QString text = QString::fromUtf8(body);
    double parseMs = 0;
    qsizetype events = 0;
    const qint64 parseExtra = ResidentMemory::peakExtraBytes([&] {
        QElapsedTimer t;
        t.start();
        const auto result = HTMLParser::parseTable(text);
        parseMs = t.nsecsElapsed() / 1e6;
        events = result ? result->size() : 0;
    });
    text = QString();
    const qint64 pipelineExtra = ResidentMemory::peakExtraBytes([&] {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString decoded = utf8.decode(std::exchange(body, QByteArray()));
        const bool cut = HTMLParser::isCutShort(decoded);
        const auto result = HTMLParser::parseTable(decoded);
        sink = cut + (result ? result->size() : 0);
    });
    // Resident memory moves in pages: less than 0.1 MB reads as 0.1, so that the ratio stays finite.
    const double parseMb = std::max(parseExtra / 1048576.0, 0.1);
    const double pipelineMb = std::max(pipelineExtra / 1048576.0, 0.1);
    std::printf("bench parse_peak_memory %s ours_mb=%.1f body_mb=%.1f ratio=%.2f\n", name, parseMb, bodyMb,
                bodyMb / parseMb);
    std::printf("bench download_parse_peak_memory %s ours_mb=%.1f body_mb=%.1f ratio=%.2f\n", name, pipelineMb,
                bodyMb, bodyMb / pipelineMb);
    std::printf("bench parse_time %s ours_ms=%.1f events=%lld\n", name, parseMs, qlonglong(events));
    std::fflush(stdout);
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

    // Memory: a body of the download limit made of "<" alone, and of "<" inside one row and one
    // cell; and a valid page of about 30 MiB.
    const qsizetype limit = 32 * 1024 * 1024;
    memoryLine("32MiB_of_lt", QByteArray(limit, '<'));
    memoryLine("32MiB_row_of_lt", "<table><tr>" + QByteArray(limit - 11, '<'));
    memoryLine("32MiB_cell_of_lt", "<table><tr><td>" + QByteArray(limit - 21, '<') + "</td>");
    // One valid row whose place name, inside a link, fills the rest.
    const QByteArray frame = CataloguePage::utf8(1);
    const qsizetype place = frame.indexOf("</a>&nbsp;</td></tr>");
    memoryLine("32MiB_place_name", frame.left(place) + QByteArray(limit - frame.size(), 'K') + frame.mid(place));
    const int validRows = int(30.0 * 1048576 / (CataloguePage::utf8(1000).size() / 1000.0));
    memoryLine("30MiB_valid_page", CataloguePage::utf8(validRows));
    return 0;
}
