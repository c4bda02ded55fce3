#include "HistoricoRows.h"

#include "Platform/TextSearch.h"

#include <QDateTime>

QString MonthTitles::titleFor(qint64 dateMs)
{
    if (dateMs >= m_fromMs && dateMs < m_toMs)
        return m_title;
    const QDate day = QDateTime::fromMSecsSinceEpoch(dateMs, m_zone).date();
    const QDate first(day.year(), day.month(), 1);
    // Month bounds from the start of their first days: local midnight may fall in a DST gap.
    const QDateTime from = first.startOfDay(m_zone);
    const QDateTime to = first.addMonths(1).startOfDay(m_zone);
    m_title = format(day, m_locale);
    if (from.isValid() && to.isValid()) {
        m_fromMs = from.toMSecsSinceEpoch();
        m_toMs = to.toMSecsSinceEpoch();
    } else {
        m_fromMs = 1;
        m_toMs = 0;
    }
    return m_title;
}

QString MonthTitles::format(const QDate &date, const QLocale &locale)
{
    QString title = locale.toString(date, QStringLiteral("MMMM yyyy"));
    if (!title.isEmpty())
        title.replace(0, 1, title.at(0).toUpper());
    return title;
}

HistoricoRow HistoricoRowBuilder::make(const EarthquakePtr &earthquake)
{
    const QString &place = earthquake->location();
    auto folded = m_folded.constFind(place);
    if (folded == m_folded.constEnd())
        folded = m_folded.insert(place, TextSearch::fold(place));
    return {earthquake, m_titles.titleFor(earthquake->dateMs()), *folded};
}
