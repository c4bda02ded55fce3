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
    // only while `context` (required) is alive; destroying it aborts the transfer.
    void fetchAndParse(const QUrl &url, QObject *context, FetchCompletion completion) const;

    // The events of a page text, in page order.
    static Expected<ParsedEarthquakeList> parseTable(const QString &html);

    // A transfer that moves no byte for this long fails as a transport error.
    void setTransferTimeout(int milliseconds) { m_transferTimeoutMs = milliseconds; }
    int transferTimeout() const { return m_transferTimeoutMs; }
    // A body larger than this is abandoned while it downloads and fails as invalidResponse.
    void setMaximumBodySize(qint64 bytes) { m_maximumBodySize = bytes; }
    qint64 maximumBodySize() const { return m_maximumBodySize; }

private:
    using TextCompletion = std::function<void(Expected<QString>)>;
    void fetchHTML(const QUrl &url, QObject *context, TextCompletion completion) const;

    // Where each "<" of a row text stands, from its start: the row's cells are found among
    // these instead of scanning the row a second time.
    using TagPositions = QVarLengthArray<qsizetype, 64>;
    // Calls visit(row, tags) for every row that is not a header row, in page order, with a view
    // into `html`; returns how many there were.
    template <typename Visit>
    static qsizetype extractTableRows(QStringView html, Visit &&visit);
    // The first `kCellCount` cells at most: later ones are never read.
    static constexpr qsizetype kCellCount = 10;
    using Cells = QVarLengthArray<QStringView, kCellCount>;
    static Cells extractCells(QStringView row, const TagPositions &tags);
    // The plain text of a raw cell: a view into `raw` when nothing but trimming was needed,
    // otherwise into `buffer`.
    static QStringView cleanText(QStringView raw, QString &buffer);
    static std::optional<QDateTime> parseDate(QStringView date, QStringView time);
    static std::optional<double> parseDecimal(QStringView text);

    QPointer<QNetworkAccessManager> m_session;
    int m_transferTimeoutMs = kDefaultTransferTimeoutMs;
    qint64 m_maximumBodySize = kDefaultMaximumBodySize;
};
