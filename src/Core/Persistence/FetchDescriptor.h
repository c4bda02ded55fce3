#pragma once

#include "Models/Earthquake.h"

#include <QDateTime>
#include <QString>
#include <optional>

enum class SortOrder { None, Forward, Reverse };

// A position in the date order: the page that follows starts strictly after it.
struct PageCursor {
    qint64 dateMs = 0;
    QString eventID;
    static PageCursor of(const Earthquake &e) { return {e.dateMs(), e.eventID()}; }
};

// What to read from the store. Sorting by date orders equal dates by eventID, so pages are stable.
struct FetchDescriptor {
    std::optional<QDateTime> dateFrom;  // date >= dateFrom
    std::optional<QDateTime> dateTo;    // date < dateTo, or <= with dateToInclusive
    bool dateToInclusive = false;
    SortOrder sortByDate = SortOrder::None;
    std::optional<int> fetchLimit;
    int fetchOffset = 0;
    std::optional<PageCursor> after;    // requires a date sort; rows beyond it in that order
};
