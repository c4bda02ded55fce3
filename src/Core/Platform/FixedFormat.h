#pragma once

#include <QString>

// printf-style fixed formats that never follow the user's locale: a full stop, no grouping,
// printf's rounding of the binary value (ties to even), "-0.0" keeps its sign.
namespace FixedFormat {

QString decimal(double value, int precision);        // "%.<precision>f"
inline QString oneDecimal(double value) { return decimal(value, 1); }  // "%.1f"
QString kilometres(double value);                    // "%.0f km"
QString coordinate(double latitude, double longitude);  // "%.4f°, %.4f°"

}  // namespace FixedFormat
