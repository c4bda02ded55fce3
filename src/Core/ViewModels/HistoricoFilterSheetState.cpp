#include "HistoricoFilterSheetState.h"

#include "Platform/Localization.h"
#include "ViewModels/HistoricoViewModel.h"

#include <QVariantMap>

namespace {

std::optional<int> intOrAbsent(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    bool ok = false;
    const int n = value.toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

QVariant variantOf(std::optional<int> value)
{
    return value ? QVariant(*value) : QVariant::fromValue(nullptr);
}

QVariantMap choice(const QString &text, const QVariant &value)
{
    return {{QStringLiteral("text"), text}, {QStringLiteral("value"), value}};
}

}  // namespace

HistoricoFilterSheetState::HistoricoFilterSheetState(QObject *parent)
    : QObject(parent)
{
    resetRangeToToday();
}

void HistoricoFilterSheetState::setViewModel(HistoricoViewModel *viewModel)
{
    if (m_viewModel == viewModel)
        return;
    if (m_viewModel)
        disconnect(m_viewModel, nullptr, this, nullptr);
    m_viewModel = viewModel;
    if (viewModel) {
        connect(viewModel, &HistoricoViewModel::filterModeChanged, this, &HistoricoFilterSheetState::showsClearChanged);
        connect(viewModel, &HistoricoViewModel::availableYearsChanged, this,
                &HistoricoFilterSheetState::yearChoicesChanged);
    }
    resetRangeToToday();  // "today" in the view model's zone and clock
    emit viewModelChanged();
    emit showsClearChanged();
    emit yearChoicesChanged();
}

QTimeZone HistoricoFilterSheetState::zone() const
{
    return m_viewModel ? m_viewModel->timeZone() : QTimeZone::systemTimeZone();
}

void HistoricoFilterSheetState::resetRangeToToday()
{
    const QDateTime now = m_viewModel ? m_viewModel->now() : systemNow();
    const QDate today = now.toTimeZone(zone()).date();
    m_rangeStart = today;
    m_rangeEnd = today;
    emit rangeStartChanged();
    emit rangeEndChanged();
}

void HistoricoFilterSheetState::setMode(Mode mode)
{
    if (m_mode == mode)
        return;
    m_mode = mode;
    emit modeChanged();
}

void HistoricoFilterSheetState::setSelectedYear(std::optional<int> year)
{
    if (m_selectedYear == year)
        return;
    m_selectedYear = year;  // "Todos" hides the month but keeps it for a later year
    emit selectedYearChanged();
}

void HistoricoFilterSheetState::setSelectedMonth(std::optional<int> month)
{
    if (month && (*month < 1 || *month > 12))
        return;
    if (m_selectedMonth == month)
        return;
    m_selectedMonth = month;
    emit selectedMonthChanged();
}

QVariant HistoricoFilterSheetState::selectedYearVariant() const { return variantOf(m_selectedYear); }
void HistoricoFilterSheetState::setSelectedYearVariant(const QVariant &year) { setSelectedYear(intOrAbsent(year)); }
QVariant HistoricoFilterSheetState::selectedMonthVariant() const { return variantOf(m_selectedMonth); }
void HistoricoFilterSheetState::setSelectedMonthVariant(const QVariant &month) { setSelectedMonth(intOrAbsent(month)); }

bool HistoricoFilterSheetState::setRangeStart(const QDate &day)
{
    if (!day.isValid() || day > m_rangeEnd) {
        emit rangeStartChanged();  // a field that showed the refused day shows the held one again
        return false;
    }
    if (day != m_rangeStart) {
        m_rangeStart = day;
        emit rangeStartChanged();
    }
    return true;
}

bool HistoricoFilterSheetState::setRangeEnd(const QDate &day)
{
    if (!day.isValid() || day < m_rangeStart) {
        emit rangeEndChanged();
        return false;
    }
    if (day != m_rangeEnd) {
        m_rangeEnd = day;
        emit rangeEndChanged();
    }
    return true;
}

bool HistoricoFilterSheetState::showsClear() const
{
    return m_viewModel && !m_viewModel->filterMode().isNone();
}

QVariantList HistoricoFilterSheetState::modeChoices() const
{
    return {choice(L("filter.none", QStringLiteral("Sin filtro")), int(None)),
            choice(L("filter.yearmonth", QStringLiteral("Año / Mes")), int(YearMonth)),
            choice(L("filter.range", QStringLiteral("Rango personalizado")), int(CustomRange))};
}

QVariantList HistoricoFilterSheetState::yearChoices() const
{
    QVariantList out{choice(L("filter.allyears", QStringLiteral("Todos")), QVariant::fromValue(nullptr))};
    if (m_viewModel) {
        for (int year : m_viewModel->availableYears())
            out << choice(QString::number(year), year);  // plain digits: "2024", never "2.024"
    }
    return out;
}

QVariantList HistoricoFilterSheetState::monthChoices() const
{
    QVariantList out{choice(L("filter.fullYear", QStringLiteral("Todo el año")), QVariant::fromValue(nullptr))};
    for (const auto &[number, name] : monthNames(m_viewModel ? m_viewModel->locale() : QLocale()))
        out << choice(name, number);
    return out;
}

QList<QPair<int, QString>> HistoricoFilterSheetState::monthNames(const QLocale &locale)
{
    QList<QPair<int, QString>> out;
    for (int m = 1; m <= 12; ++m) {
        // The format-context name ("de març" in Catalan), every word capitalised.
        QString name = locale.monthName(m, QLocale::LongFormat);
        bool wordStart = true;
        for (QChar &c : name) {
            c = wordStart ? c.toUpper() : c.toLower();
            wordStart = c.isSpace();
        }
        out.append({m, name});
    }
    return out;
}

DateFilterMode HistoricoFilterSheetState::resolveFilter() const
{
    switch (m_mode) {
    case None:
        return DateFilterMode::none();
    case YearMonth:
        // "Año / Mes" with "Todos" applies no filter at all.
        if (!m_selectedYear)
            return DateFilterMode::none();
        return DateFilterMode::yearMonth(*m_selectedYear, m_selectedMonth);
    case CustomRange:
        // Whole local days: the first instant of the start day to the last millisecond of the
        // end day. A time of day that nobody can see or set would cut the last day short.
        return DateFilterMode::customRange(m_rangeStart.startOfDay(zone()), m_rangeEnd.endOfDay(zone()));
    }
    return DateFilterMode::none();
}

void HistoricoFilterSheetState::syncFromViewModel()
{
    if (!m_viewModel)
        return;
    const DateFilterMode filter = m_viewModel->filterMode();
    switch (filter.kind()) {
    case DateFilterMode::YearMonth:
        setMode(YearMonth);
        setSelectedYear(filter.year());
        setSelectedMonth(filter.month());
        break;
    case DateFilterMode::CustomRange: {
        setMode(CustomRange);
        const QDate start = filter.start().toTimeZone(zone()).date();
        const QDate end = filter.end().toTimeZone(zone()).date();
        if (start.isValid() && end.isValid()) {
            // Set as a pair: each end is bounded by the other.
            m_rangeStart = start;
            m_rangeEnd = end;
            emit rangeStartChanged();
            emit rangeEndChanged();
        }
        break;
    }
    case DateFilterMode::None:
        setMode(None);  // year, month and range keep their initial values
        break;
    }
}

void HistoricoFilterSheetState::apply()
{
    if (m_viewModel)
        m_viewModel->applyFilter(resolveFilter());
}

void HistoricoFilterSheetState::clear()
{
    if (m_viewModel)
        m_viewModel->applyFilter(DateFilterMode::none());
}

int HistoricoFilterSheetState::keyOfDate(const QDate &date)
{
    return date.isValid() ? date.year() * 10000 + date.month() * 100 + date.day() : 0;
}

QDate HistoricoFilterSheetState::dateOfKey(int key)
{
    if (key <= 0)
        return {};
    return QDate(key / 10000, key / 100 % 100, key % 100);  // invalid for a day that does not exist
}
