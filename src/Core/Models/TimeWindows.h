#pragma once

#include <QtGlobal>

// The spans the lists, the statistics and the alerts look back over, in seconds.
namespace TimeWindows {
inline constexpr qint64 hour = 3600;
inline constexpr qint64 day = 24 * hour;
inline constexpr qint64 week = 7 * day;
inline constexpr qint64 month = 30 * day;  // thirty days, never a calendar month
}  // namespace TimeWindows
