#include "FixedFormat.h"

#include <array>
#include <charconv>
#include <cmath>

namespace FixedFormat {

QString decimal(double value, int precision)
{
    if (std::isnan(value))
        return std::signbit(value) ? QStringLiteral("-nan") : QStringLiteral("nan");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    std::array<char, 400> buffer{};  // enough for DBL_MAX in fixed notation
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, precision);
    if (result.ec != std::errc())
        return {};
    return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
}

QString kilometres(double value)
{
    return decimal(value, 0) + QStringLiteral(" km");
}

QString coordinate(double latitude, double longitude)
{
    return decimal(latitude, 4) + QStringLiteral("°, ") + decimal(longitude, 4) + QStringLiteral("°");
}

}  // namespace FixedFormat
