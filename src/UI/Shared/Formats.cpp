#include "Formats.h"

#include "Platform/FixedFormat.h"
#include "Platform/LocaleDateFormat.h"
#include "Models/MagnitudeCategory.h"

Formats::Formats(QObject *parent) : QObject(parent) {}
Formats::~Formats() = default;

QString Formats::oneDecimal(double value) { return FixedFormat::oneDecimal(value); }
QString Formats::decimal(double value, int precision) { return FixedFormat::decimal(value, precision); }
QString Formats::kilometres(double value) { return FixedFormat::kilometres(value); }
QString Formats::coordinate(double latitude, double longitude)
{
    return FixedFormat::coordinate(latitude, longitude);
}

QColor Formats::magnitudeColor(double magnitude)
{
    return MagnitudeCategory::from(magnitude).color();
}

QString Formats::magnitudeCategory(double magnitude)
{
    return MagnitudeCategory::from(magnitude).rawValue();
}

const LocaleDateFormat &Formats::formatFor(std::unique_ptr<LocaleDateFormat> &cache, const QString &skeleton,
                                           const QByteArray &timeZoneId)
{
    const QString locale = LocaleDateFormat::systemLocaleId();
    if (!cache || cache->localeId() != locale || cache->timeZoneId() != timeZoneId)
        cache = std::make_unique<LocaleDateFormat>(skeleton, locale, timeZoneId);
    return *cache;
}

QString Formats::rowDate(const QDateTime &date)
{
    return formatFor(m_row, QStringLiteral("dMMyyJJmm"), LocaleDateFormat::systemTimeZoneId()).format(date);
}


QString Formats::calloutDate(const QDateTime &date)
{
    if (!date.isValid())
        return {};
    return formatFor(m_callout, QStringLiteral("dMMMyjm"), QByteArrayLiteral("UTC")).format(date) + QStringLiteral(" UTC");
}
