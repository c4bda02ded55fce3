#include "LatestFilters.h"

#include "Models/TimeWindows.h"
#include "Platform/Localization.h"
#include "Platform/RawValue.h"

#include <QVariantMap>

std::optional<MagnitudeFilter> MagnitudeFilter::fromRawValue(const QString &raw)
{
    return caseWithRawValue(allCases(), raw);
}

const std::array<MagnitudeFilter, 6> &MagnitudeFilter::allCases()
{
    static const std::array<MagnitudeFilter, 6> cases{All, Micro, Low, Moderate, Strong, Major};
    return cases;
}

QString MagnitudeFilter::rawValue() const
{
    switch (m_value) {
    case All: return QStringLiteral("all");
    case Micro: return QStringLiteral("micro");
    case Low: return QStringLiteral("low");
    case Moderate: return QStringLiteral("moderate");
    case Strong: return QStringLiteral("strong");
    case Major: return QStringLiteral("major");
    }
    return {};
}

QString MagnitudeFilter::localizedLabel() const
{
    switch (m_value) {
    case All: return L("filter.magnitude.all", QStringLiteral("All"));
    case Micro: return L("filter.magnitude.micro", QStringLiteral("Micro"));
    case Low: return L("filter.magnitude.low", QStringLiteral("Minor"));
    case Moderate: return L("filter.magnitude.moderate", QStringLiteral("Moderate"));
    case Strong: return L("filter.magnitude.strong", QStringLiteral("Strong"));
    case Major: return L("filter.magnitude.major", QStringLiteral("Major"));
    }
    return {};
}

std::optional<MagnitudeCategory> MagnitudeFilter::category() const
{
    switch (m_value) {
    case All: return std::nullopt;
    case Micro: return MagnitudeCategory::Micro;
    case Low: return MagnitudeCategory::Low;
    case Moderate: return MagnitudeCategory::Moderate;
    case Strong: return MagnitudeCategory::Strong;
    case Major: return MagnitudeCategory::Major;
    }
    return std::nullopt;
}

std::optional<DateFilter> DateFilter::fromRawValue(const QString &raw)
{
    return caseWithRawValue(allCases(), raw);
}

const std::array<DateFilter, 5> &DateFilter::allCases()
{
    static const std::array<DateFilter, 5> cases{All, LastHour, Last24h, Last7d, Last30d};
    return cases;
}

QString DateFilter::rawValue() const
{
    switch (m_value) {
    case All: return QStringLiteral("all");
    case LastHour: return QStringLiteral("lastHour");
    case Last24h: return QStringLiteral("last24h");
    case Last7d: return QStringLiteral("last7d");
    case Last30d: return QStringLiteral("last30d");
    }
    return {};
}

QString DateFilter::localizedLabel() const
{
    switch (m_value) {
    case All: return L("filter.date.all", QStringLiteral("All"));
    case LastHour: return L("filter.date.lastHour", QStringLiteral("Last hour"));
    case Last24h: return L("filter.date.last24h", QStringLiteral("Last 24h"));
    case Last7d: return L("filter.date.last7d", QStringLiteral("Last 7 days"));
    case Last30d: return L("filter.date.last30d", QStringLiteral("Last 30 days"));
    }
    return {};
}

std::optional<QDateTime> DateFilter::cutoffDate(const QDateTime &now) const
{
    switch (m_value) {
    case All: return std::nullopt;
    case LastHour: return now.addSecs(-TimeWindows::hour);
    case Last24h: return now.addSecs(-TimeWindows::day);
    case Last7d: return now.addSecs(-TimeWindows::week);
    case Last30d: return now.addSecs(-TimeWindows::month);
    }
    return std::nullopt;
}

namespace {
template <typename Filter>
QVariantList choicesOf()
{
    QVariantList out;
    for (Filter f : Filter::allCases())
        out << QVariantMap{{QStringLiteral("id"), f.id()}, {QStringLiteral("label"), f.localizedLabel()}};
    return out;
}
}  // namespace

QVariantList MagnitudeFilter::choices() { return choicesOf<MagnitudeFilter>(); }

QVariantList DateFilter::choices() { return choicesOf<DateFilter>(); }
