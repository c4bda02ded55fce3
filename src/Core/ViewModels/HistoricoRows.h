#pragma once

#include "Models/Earthquake.h"

#include <QHash>
#include <QList>
#include <QLocale>
#include <QString>
#include <QTimeZone>

// One loaded history row with what the list needs of it, worked out once when its page arrives.
struct HistoricoRow {
    EarthquakePtr earthquake;
    QString monthTitle;      // the month section it belongs to
    QString foldedLocation;  // the place as the search compares it
};

// Month section titles ("Marzo 2024") of instants in one zone and locale. Rows arrive sorted,
// so the month of the last title asked for is kept: a title is formatted once per month, and
// the zone is consulted only when a row leaves that month.
class MonthTitles {
public:
    MonthTitles(const QTimeZone &zone, const QLocale &locale) : m_zone(zone), m_locale(locale) {}

    QString titleFor(qint64 dateMs);

    // The full month name and four-digit year, first letter upper-cased ("de març" -> "De març 2024").
    static QString format(const QDate &date, const QLocale &locale);

private:
    QTimeZone m_zone;
    QLocale m_locale;
    qint64 m_fromMs = 1;  // [from, to) of the cached month; empty at first
    qint64 m_toMs = 0;
    QString m_title;
};

// Builds rows as their pages arrive: each month's title is formatted once, and each distinct
// place is folded once (a store holds a few thousand places across a million events).
class HistoricoRowBuilder {
public:
    HistoricoRowBuilder(const QTimeZone &zone, const QLocale &locale) : m_titles(zone, locale) {}
    HistoricoRow make(const EarthquakePtr &earthquake);

private:
    MonthTitles m_titles;
    QHash<QString, QString> m_folded;
};
