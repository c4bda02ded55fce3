#include "HistoricoViewModel.h"

#include "Persistence/ModelContext.h"
#include "Platform/Localization.h"
#include "Platform/TextSearch.h"

HistoricoViewModel::HistoricoViewModel(QObject *parent)
    : QObject(parent)
    , m_zone(QTimeZone::systemTimeZone())
    , m_rowBuilder(m_zone, m_locale)
    , m_listModel(new HistoricoListModel(this))
{
    connect(&m_debounce, &SearchDebounce::passedOn, this, [this] {
        emit debouncedSearchTextChanged();
        // Only a different needle rebuilds the list: a reset would scroll it back to the top.
        if (searchNeedle() != m_listNeedle)
            showRows(m_loaded);
    });
    m_debounce.submit(m_searchText);  // the subscription first sees the current value
}

void HistoricoViewModel::setTimeZone(const QTimeZone &zone)
{
    m_zone = zone;
    m_rowBuilder = HistoricoRowBuilder(m_zone, m_locale);
}

void HistoricoViewModel::setLocale(const QLocale &locale)
{
    m_locale = locale;
    m_rowBuilder = HistoricoRowBuilder(m_zone, m_locale);
}

void HistoricoViewModel::setSearchText(const QString &text)
{
    m_searchText = text;
    emit searchTextChanged();
    m_debounce.submit(text);
}

std::optional<QString> HistoricoViewModel::navSubtitle() const
{
    if (m_loaded.isEmpty())
        return std::nullopt;
    // Earthquake::date() is UTC, and QLocale formats a date-time in its own zone: convert first.
    const QDateTime newest = QDateTime::fromMSecsSinceEpoch(m_loaded.first().earthquake->dateMs(), m_zone);
    return Localization::format(L("historico.subtitle", QStringLiteral("Data up to %@")),
                                {m_locale.toString(newest, QStringLiteral("d MMM yyyy"))});
}

QString HistoricoViewModel::searchNeedle() const
{
    return TextSearch::fold(TextSearch::trimSpacesAndTabs(m_debounce.passed()));
}

QList<HistoricoRow> HistoricoViewModel::matching(const QList<HistoricoRow> &rows, const QString &needle) const
{
    if (needle.isEmpty())
        return rows;
    QList<HistoricoRow> out;
    for (const HistoricoRow &row : rows) {
        if (row.foldedLocation.contains(needle))
            out.append(row);
    }
    return out;
}

std::optional<HistoricoViewModel::DateBounds> HistoricoViewModel::boundsFor(const DateFilterMode &mode,
                                                                           const QTimeZone &zone)
{
    DateBounds bounds;
    switch (mode.kind()) {
    case DateFilterMode::None:
        return std::nullopt;
    case DateFilterMode::YearMonth:
        if (const std::optional<int> month = mode.month()) {
            if (*month < 1 || *month > 12)
                return std::nullopt;
            // Both bounds are the first instants of their days: local midnight may not exist
            // (a DST gap), and a month added to an instant drifts with the offset.
            const QDate first(mode.year(), *month, 1);
            bounds.from = first.startOfDay(zone);
            bounds.to = first.addMonths(1).startOfDay(zone);
        } else {
            bounds.from = QDate(mode.year(), 1, 1).startOfDay(zone);
            bounds.to = QDate(mode.year() + 1, 1, 1).startOfDay(zone);
        }
        break;
    case DateFilterMode::CustomRange:
        bounds.from = mode.start();
        bounds.to = mode.end();
        bounds.toInclusive = true;
        break;
    }
    // An invalid QDateTime still converts to a number; it must never reach the store.
    if (!bounds.from.isValid() || !bounds.to.isValid())
        return std::nullopt;
    return bounds;
}

DateFilterMode HistoricoViewModel::yearMonthFilter(int year, const QVariant &month) const
{
    if (!month.isValid() || month.isNull())
        return DateFilterMode::yearMonth(year);
    return DateFilterMode::yearMonth(year, month.toInt());
}

DateFilterMode HistoricoViewModel::customRangeFilter(const QDateTime &start, const QDateTime &end) const
{
    return DateFilterMode::customRange(start, end);
}

FetchDescriptor HistoricoViewModel::pageDescriptor() const
{
    FetchDescriptor d;
    if (const auto bounds = boundsFor(m_filterMode, m_zone)) {
        d.dateFrom = bounds->from;
        d.dateTo = bounds->to;
        d.dateToInclusive = bounds->toInclusive;
    }
    d.sortByDate = SortOrder::Reverse;
    d.fetchLimit = pageSize;
    return d;
}

QList<HistoricoRow> HistoricoViewModel::rowsFor(const EarthquakeList &page)
{
    QList<HistoricoRow> rows;
    rows.reserve(page.size());
    for (const EarthquakePtr &e : page)
        rows.append(m_rowBuilder.make(e));
    return rows;
}

void HistoricoViewModel::showRows(const QList<HistoricoRow> &rows)
{
    m_listNeedle = searchNeedle();
    m_listModel->resetRows(matching(rows, m_listNeedle));
}

void HistoricoViewModel::setLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    emit isLoadingChanged();
}

void HistoricoViewModel::emitHasMoreIfChanged(bool before)
{
    if (hasMore() != before)
        emit hasMoreChanged();
}

void HistoricoViewModel::onAppear(ModelContext *context)
{
    m_context = context;
    // At once, not on a later turn: the screen never shows "no results" before its first page.
    loadInitial();
}

void HistoricoViewModel::loadInitial()
{
    if (!m_context)
        return;
    const bool hadMore = hasMore();
    const qint64 oldCount = m_totalCount;
    m_loaded.clear();
    m_totalCount = 0;
    m_reachedEnd = false;
    setLoading(true);
    if (m_holdsLoads) {
        showRows({});
        emit loadedChanged();
        if (oldCount != 0)
            emit totalCountChanged();
        emitHasMoreIfChanged(hadMore);
        return;
    }

    FetchDescriptor count = pageDescriptor();
    count.sortByDate = SortOrder::None;
    count.fetchLimit.reset();
    m_totalCount = m_context->fetchCount(count).valueOr(0);  // a failed count reads as 0

    const auto page = m_context->fetch(pageDescriptor());  // a failed read is an empty page
    const EarthquakeList fetched = page ? *page : EarthquakeList();
    m_reachedEnd = fetched.size() < pageSize;
    m_loaded = rowsFor(fetched);
    showRows(m_loaded);

    if (oldCount != m_totalCount)
        emit totalCountChanged();
    emit loadedChanged();
    emitHasMoreIfChanged(hadMore);
    setLoading(false);
}

void HistoricoViewModel::loadMore()
{
    if (!m_context || !hasMore() || m_isLoading)
        return;
    setLoading(true);
    if (m_holdsLoads)
        return;
    const bool hadMore = hasMore();
    // From the last loaded row, never by offset: rows stored meanwhile shift nothing.
    FetchDescriptor d = pageDescriptor();
    d.after = PageCursor::of(*m_loaded.last().earthquake);
    const auto page = m_context->fetch(d);
    const EarthquakeList fetched = page ? *page : EarthquakeList();
    if (fetched.size() < pageSize)
        m_reachedEnd = true;
    const QList<HistoricoRow> rows = rowsFor(fetched);
    m_loaded.append(rows);
    m_listModel->appendRows(matching(rows, m_listNeedle));
    emit loadedChanged();
    emitHasMoreIfChanged(hadMore);
    setLoading(false);
}

void HistoricoViewModel::applyFilter(const DateFilterMode &mode)
{
    m_filterMode = mode;
    emit filterModeChanged();
    loadInitial();
}

void HistoricoViewModel::loadAvailableYears(ModelContext *context)
{
    // Only the year boundaries are read: the newest date, then the newest date before the
    // first instant of its year, and so on; each step is one row from the date index.
    QList<int> years;
    if (context) {
        FetchDescriptor d;
        d.sortByDate = SortOrder::Reverse;
        d.fetchLimit = 1;
        for (;;) {
            const auto dates = context->fetchDates(d);
            if (!dates) {
                years.clear();  // a failed read counts as no events
                break;
            }
            if (dates->isEmpty())
                break;
            const int year = QDateTime::fromMSecsSinceEpoch(dates->first(), m_zone).date().year();
            if (!years.isEmpty() && year >= years.last())
                break;  // never loops: each step must reach an earlier year
            years.append(year);
            const QDateTime yearStart = QDate(year, 1, 1).startOfDay(m_zone);
            if (!yearStart.isValid())
                break;
            d.dateTo = yearStart;
        }
    }
    m_availableYears = years;
    emit availableYearsChanged();
}
