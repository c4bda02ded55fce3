#pragma once

#include "Persistence/FetchDescriptor.h"
#include "Platform/Clock.h"
#include "Platform/SearchDebounce.h"
#include "ViewModels/DateFilterMode.h"
#include "ViewModels/HistoricoListModel.h"
#include "ViewModels/HistoricoRows.h"

#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QTimeZone>
#include <QtQml/qqmlregistration.h>
#include <optional>

class ModelContext;

// The state of the history screen: every stored event matching the date filter, newest first,
// read page by page from the store; the loaded rows in month sections, narrowed by a debounced
// place search; and the years that hold events, for the filter sheet. It never writes the store.
// The zone, locale and "now" are read when it is made; one zone serves filters, years, sections
// and subtitle.
class HistoricoViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(int totalCount READ totalCount NOTIFY totalCountChanged)
    Q_PROPERTY(int loadedCount READ loadedCount NOTIFY loadedChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool hasMore READ hasMore NOTIFY hasMoreChanged)
    Q_PROPERTY(QList<int> availableYears READ availableYears NOTIFY availableYearsChanged)
    Q_PROPERTY(DateFilterMode filterMode READ filterMode NOTIFY filterModeChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(QString debouncedSearchText READ debouncedSearchText NOTIFY debouncedSearchTextChanged)
    Q_PROPERTY(QString navSubtitle READ navSubtitleText NOTIFY loadedChanged)
    Q_PROPERTY(HistoricoListModel *listModel READ listModel CONSTANT)

public:
    static constexpr int pageSize = 50;

    // The date bounds of a filter: date >= from, and date < to (or <= to when inclusive).
    struct DateBounds {
        QDateTime from;
        QDateTime to;
        bool toInclusive = false;
        friend bool operator==(const DateBounds &, const DateBounds &) = default;
    };

    explicit HistoricoViewModel(QObject *parent = nullptr);

    int totalCount() const { return int(m_totalCount); }
    int loadedCount() const { return int(m_loaded.size()); }
    bool isLoading() const { return m_isLoading; }
    // A page shorter than asked ends the paging, whatever the count said.
    bool hasMore() const { return !m_reachedEnd && m_loaded.size() < m_totalCount; }
    const QList<int> &availableYears() const { return m_availableYears; }
    DateFilterMode filterMode() const { return m_filterMode; }
    QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);
    QString debouncedSearchText() const { return m_debounce.passed(); }
    std::optional<QString> navSubtitle() const;
    QString navSubtitleText() const { return navSubtitle().value_or(QString()); }
    HistoricoListModel *listModel() const { return m_listModel; }

    Q_INVOKABLE void onAppear(ModelContext *context);
    Q_INVOKABLE void loadInitial();
    Q_INVOKABLE void loadMore();
    Q_INVOKABLE void applyFilter(const DateFilterMode &mode);
    Q_INVOKABLE void loadAvailableYears(ModelContext *context);

    // Filters built from QML: an absent month (undefined or null) is the whole year.
    Q_INVOKABLE DateFilterMode noFilter() const { return DateFilterMode::none(); }
    Q_INVOKABLE DateFilterMode yearMonthFilter(int year, const QVariant &month = {}) const;
    Q_INVOKABLE DateFilterMode customRangeFilter(const QDateTime &start, const QDateTime &end) const;

    // The store bounds of a filter in a zone; none when the filter has no predicate (no filter,
    // a month outside 1-12, or a bound the calendar cannot form).
    static std::optional<DateBounds> boundsFor(const DateFilterMode &mode, const QTimeZone &zone);

    QTimeZone timeZone() const { return m_zone; }
    QLocale locale() const { return m_locale; }
    QDateTime now() const { return m_now(); }

    // Tests pin the zone, the locale, "now" and the debounce. Loads run to their end within one
    // call, so only a held load (it starts and never finishes) lets renders and tests show the
    // loading state.
    void setTimeZone(const QTimeZone &zone);
    void setLocale(const QLocale &locale);
    void setNow(NowFunction now) { m_now = std::move(now); }
    void setDebounceInterval(int ms) { m_debounce.setInterval(ms); }
    void setHoldsLoads(bool hold) { m_holdsLoads = hold; }

signals:
    void totalCountChanged();
    void loadedChanged();
    void isLoadingChanged();
    void hasMoreChanged();
    void availableYearsChanged();
    void filterModeChanged();
    void searchTextChanged();
    void debouncedSearchTextChanged();

private:
    FetchDescriptor pageDescriptor() const;
    QList<HistoricoRow> rowsFor(const EarthquakeList &page);
    QString searchNeedle() const;
    QList<HistoricoRow> matching(const QList<HistoricoRow> &rows, const QString &needle) const;
    void showRows(const QList<HistoricoRow> &rows);
    void setLoading(bool loading);
    void emitHasMoreIfChanged(bool before);

    QPointer<ModelContext> m_context;
    QList<HistoricoRow> m_loaded;
    qint64 m_totalCount = 0;
    bool m_reachedEnd = false;
    bool m_isLoading = false;
    bool m_holdsLoads = false;
    QList<int> m_availableYears;
    DateFilterMode m_filterMode;
    QString m_searchText;
    QString m_listNeedle;  // the search the list model's rows answer
    SearchDebounce m_debounce{this};  // a named child: tests watch its wait
    QTimeZone m_zone;
    QLocale m_locale;
    NowFunction m_now = systemNow;
    HistoricoRowBuilder m_rowBuilder;
    HistoricoListModel *m_listModel;
};
