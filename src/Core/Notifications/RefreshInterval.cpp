#include "RefreshInterval.h"

#include "Platform/Localization.h"
#include "Platform/RawValue.h"

std::optional<RefreshInterval> RefreshInterval::fromRawValue(const QString &raw)
{
    return caseWithRawValue(allCases(), raw);
}

const std::array<RefreshInterval, 5> &RefreshInterval::allCases()
{
    static const std::array<RefreshInterval, 5> cases{Disabled, FiveMinutes, TenMinutes, ThirtyMinutes, OneHour};
    return cases;
}

QString RefreshInterval::rawValue() const
{
    switch (m_value) {
    case Disabled: return QStringLiteral("disabled");
    case FiveMinutes: return QStringLiteral("5min");
    case TenMinutes: return QStringLiteral("10min");
    case ThirtyMinutes: return QStringLiteral("30min");
    case OneHour: return QStringLiteral("60min");
    }
    return {};
}

std::optional<double> RefreshInterval::seconds() const
{
    switch (m_value) {
    case Disabled: return std::nullopt;
    case FiveMinutes: return 300.0;
    case TenMinutes: return 600.0;
    case ThirtyMinutes: return 1800.0;
    case OneHour: return 3600.0;
    }
    return std::nullopt;
}

QString RefreshInterval::displayName() const
{
    switch (m_value) {
    case Disabled: return L("settings.refresh.manual", QStringLiteral("Manual"));
    case FiveMinutes: return L("settings.refresh.5min", QStringLiteral("5 minutes"));
    case TenMinutes: return L("settings.refresh.10min", QStringLiteral("10 minutes"));
    case ThirtyMinutes: return L("settings.refresh.30min", QStringLiteral("30 minutes"));
    // The raw value says "60min"; the key says "1hour".
    case OneHour: return L("settings.refresh.1hour", QStringLiteral("1 hour"));
    }
    return {};
}
