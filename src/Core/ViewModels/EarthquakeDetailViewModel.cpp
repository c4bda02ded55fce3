#include "EarthquakeDetailViewModel.h"

#include "Persistence/ModelContext.h"
#include "Platform/FixedFormat.h"
#include "Platform/LocaleDateFormat.h"
#include "Platform/Localization.h"

#include <QVariantMap>

EarthquakeDetailViewModel::EarthquakeDetailViewModel(QObject *parent)
    : QObject(parent)
{
}

EarthquakeDetailViewModel::EarthquakeDetailViewModel(EarthquakePtr earthquake, QObject *parent)
    : QObject(parent)
    , m_earthquake(std::move(earthquake))
{
}

void EarthquakeDetailViewModel::setEarthquakeItem(const EarthquakeItem &item)
{
    if (m_earthquake || !item.isValid())
        return;  // the shown event is constant once given
    m_earthquake = item.earthquake();
    emit earthquakeChanged();
}

QVariantList EarthquakeDetailViewModel::nearbyEarthquakeItems() const
{
    QVariantList out;
    out.reserve(m_nearby.size());
    for (const EarthquakePtr &e : m_nearby)
        out << QVariant::fromValue(EarthquakeItem(e));
    return out;
}

QString EarthquakeDetailViewModel::title() const
{
    if (!m_earthquake)
        return {};
    return Localization::format(QStringLiteral("M %.1f \u2014 %@"), {m_earthquake->magnitude(), m_earthquake->location()});
}

QVariantList EarthquakeDetailViewModel::rows() const
{
    if (!m_earthquake)
        return {};
    const Earthquake &e = *m_earthquake;
    auto row = [](const char *icon, const QString &label, const QString &value) {
        return QVariantMap{{QStringLiteral("icon"), QString::fromLatin1(icon)},
                           {QStringLiteral("label"), label},
                           {QStringLiteral("value"), value}};
    };
    // The origin time in UTC, in the user's locale pattern for day, month name, year, hour, minute, second.
    const LocaleDateFormat utcFormat(QStringLiteral("dMMMyjms"), LocaleDateFormat::systemLocaleId(), "UTC");
    QVariantList rows;
    rows << row("calendar", L("detail.datetime", QStringLiteral("Date and time")),
                utcFormat.format(e.date()) + QStringLiteral(" UTC"));
    rows << row("location.fill", L("detail.epicenter", QStringLiteral("Epicenter")),
                FixedFormat::coordinate(e.latitude(), e.longitude()));
    rows << row("arrow.down.circle", L("detail.depth", QStringLiteral("Depth")), FixedFormat::kilometres(e.depth()));
    rows << row("waveform.path", L("detail.magnitude", QStringLiteral("Magnitude")),
                Localization::format(QStringLiteral("%.1f %@"), {e.magnitude(), e.magnitudeType()}));
    if (e.maxIntensity())
        rows << row("bolt.fill", L("detail.maxIntensity", QStringLiteral("Maximum intensity")), *e.maxIntensity());
    rows << row("sensor.tag.radiowaves.forward", L("detail.location", QStringLiteral("Location")), e.location());
    return rows;
}

void EarthquakeDetailViewModel::loadNearby(ModelContext *context)
{
    EarthquakeList nearby;
    if (context && m_earthquake) {
        FetchDescriptor newest;
        newest.sortByDate = SortOrder::Reverse;
        newest.fetchLimit = nearbyLimit;  // applied before the shown event is left out
        const auto fetched = context->fetch(newest);
        if (fetched) {
            nearby.reserve(fetched->size());
            for (const EarthquakePtr &e : *fetched) {
                if (e->eventID() != m_earthquake->eventID())
                    nearby.append(e);
            }
        }
    }
    m_nearby = std::move(nearby);
    emit nearbyEarthquakesChanged();
}
