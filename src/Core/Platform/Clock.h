#pragma once

#include <QDateTime>
#include <functional>

// "Now" as a value that callers can replace, so results that depend on the time are testable.
using NowFunction = std::function<QDateTime()>;

inline QDateTime systemNow() { return QDateTime::currentDateTimeUtc(); }
