#pragma once

#include "DataSources/EarthquakeDataSource.h"
#include "Networking/HTMLParserError.h"
#include "Networking/NetworkSession.h"
#include "Networking/ParsedEarthquake.h"
#include "Platform/Error.h"

#include <QDateTime>
#include <QList>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QString>
#include <QStringView>
#include <QUrl>
#include <QVarLengthArray>
#include <functional>
#include <optional>

// Downloads the catalogue page and reads the events out of its table rows with plain text
// searches (the page is not valid enough, nor the rows regular enough, for a real HTML parser
// to be of any help). A cheap value: copy it freely.
class HTMLParser {
public:
    static constexpr int kDefaultTransferTimeoutMs = 60'000;
    static constexpr qint64 kDefaultMaximumBodySize = 32 * 1024 * 1024;

    explicit HTMLParser(QNetworkAccessManager *session = NetworkSession::shared());

    // Downloads `url` and parses it. `completion` runs later on the main thread, once, and
    // only while `context` (required) is alive; destroying it aborts the transfer. The body is
    // decoded and parsed on a worker thread, so a large page never holds the main thread.
    void fetchAndParse(const QUrl &url, QObject *context, FetchCompletion completion) const;

    // The events of a page text, in page order. Needs memory in proportion to the text and
    // time linear in it, whatever the text holds. Safe on any thread.
    static Expected<ParsedEarthquakeList> parseTable(const QString &html);

    // Whether a page was cut short in transit: no "</table>" closes the table in which the last
    // row read stands (rows outside tables, and "<tr" text after a closed table, leave a page
    // whole). Qt reports such a body (a broken chunked framing, a reset connection without
    // Content-Length) as complete.
    static bool isCutShort(QStringView html);
    // The transport error of a page that was cut short.
    static Error incompleteResponseError();

    // A transfer still running this long after its request, however it trickles, is abandoned
    // and fails as a transport error (TimeoutError, "Operation timed out"); 0 sets no bound.
    void setTransferTimeout(int milliseconds) { m_transferTimeoutMs = milliseconds; }
    int transferTimeout() const { return m_transferTimeoutMs; }
    // A body that decodes to more bytes than this is abandoned the moment it passes them, and
    // fails as invalidResponse.
    void setMaximumBodySize(qint64 bytes) { m_maximumBodySize = bytes; }
    qint64 maximumBodySize() const { return m_maximumBodySize; }

private:
    using BodyCompletion = std::function<void(Expected<QByteArray>)>;
    // The body of a successful HTTP response (at most the maximum body size), on the main thread.
    void fetchHTML(const QUrl &url, QObject *context, BodyCompletion completion) const;
    // Decodes and parses a body: the work done off the main thread.
    static FetchResult readPage(QByteArray body);
    static Expected<QString> decode(QByteArray body);

    // What a walk over the rows saw: the rows that are not header rows, and the last row read
    // (a header row too, or the row that the text ends inside, whose end is then -1).
    struct RowWalk {
        qsizetype rows = 0;
        qsizetype lastStart = -1;
        qsizetype lastEnd = -1;
        bool lastInTable = false; // a "<table" came after the last "</table>" before the row
    };
    static bool isCutShort(QStringView html, const RowWalk &walk);
    // The events of a page text, and in `walk` what the walk over its rows saw.
    static Expected<ParsedEarthquakeList> parseTable(const QString &html, RowWalk &walk);

    // The first `kCellCount` cells at most: later ones are never read.
    static constexpr qsizetype kCellCount = 10;
    using Cells = QVarLengthArray<QStringView, kCellCount>;
    struct CellScan;
    // Calls visit(cells) for every row that is not a header row, in page order, with views into
    // `html`. Rows and their cells are found in one pass over the row's tags, keeping nothing
    // but the cells.
    template <typename Visit>
    static RowWalk extractTableRows(QStringView html, Visit &&visit);
    // The plain text of a raw cell: a view into `raw` when nothing but trimming was needed,
    // otherwise into `buffer`.
    static QStringView cleanText(QStringView raw, QString &buffer);
    static std::optional<QDateTime> parseDate(QStringView date, QStringView time);
    static std::optional<double> parseDecimal(QStringView text);

    QPointer<QNetworkAccessManager> m_session;
    int m_transferTimeoutMs = kDefaultTransferTimeoutMs;
    qint64 m_maximumBodySize = kDefaultMaximumBodySize;
};
