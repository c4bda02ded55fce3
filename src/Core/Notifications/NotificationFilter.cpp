#include "NotificationFilter.h"

#include "Notifications/NotificationSettings.h"
#include "Platform/Geo.h"

#include <QSet>
#include <array>

namespace {
struct SwarmRule {
    int count;          // least number of events that makes a swarm
    int windowMinutes;
};

// Evaluated in this order.
constexpr std::array<SwarmRule, 4> swarmRules{{{10, 10}, {30, 60}, {100, 120}, {1000, 1440}}};
}  // namespace

NotificationFilter::NotificationFilter(const NotificationSettings &settings, std::optional<QGeoCoordinate> userLocation,
                                       UserDefaults &defaults, NowFunction now)
    : m_settings(&settings), m_userLocation(std::move(userLocation)), m_defaults(&defaults), m_now(std::move(now))
{
}

QString NotificationFilter::cooldownKey(int count, int windowMinutes)
{
    return QStringLiteral("swarm.lastNotified.%1in%2").arg(count).arg(windowMinutes);
}

QList<EarthquakeNotificationEvent> NotificationFilter::evaluate(const EarthquakeList &newEarthquakes,
                                                                const EarthquakeList &recentEarthquakes) const
{
    QList<EarthquakeNotificationEvent> result;
    if (!m_settings->isEnabled())
        return result;

    QSet<QString> magnitudeAlerted;
    if (m_settings->globalMagnitudeEnabled()) {
        const double threshold = m_settings->globalMagnitudeCategory().minimumMagnitude();
        for (const EarthquakePtr &event : newEarthquakes) {
            if (event && threshold <= event->magnitude()) {  // ordered: NaN never passes
                result.append(EarthquakeNotificationEvent::magnitude(event));
                magnitudeAlerted.insert(event->eventID());
            }
        }
    }

    if (m_settings->locationNotificationsEnabled() && m_userLocation) {
        const double radiusMeters = m_settings->locationRadiusKm() * 1000.0;
        for (const EarthquakePtr &event : newEarthquakes) {
            if (!event || magnitudeAlerted.contains(event->eventID()))
                continue;
            // An invalid coordinate at either end has no distance, so it never passes.
            const std::optional<double> d = Geo::distanceMeters(*m_userLocation, event->coordinate());
            if (d && *d <= radiusMeters)
                result.append(EarthquakeNotificationEvent::proximity(event, *d / 1000.0));
        }
    }

    if (m_settings->swarmNotificationsEnabled())
        result.append(evaluateSwarm(recentEarthquakes));
    return result;
}

QList<EarthquakeNotificationEvent> NotificationFilter::evaluateSwarm(const EarthquakeList &recentEarthquakes) const
{
    QList<EarthquakeNotificationEvent> alerts;
    const QDateTime now = m_now();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    for (const SwarmRule &rule : swarmRules) {
        const QString key = cooldownKey(rule.count, rule.windowMinutes);
        if (const std::optional<QDateTime> last = m_defaults->dateValue(key)) {
            // Milliseconds, so exactly 1800 s is out of the cooldown; a time in the future keeps
            // the rule quiet until 1800 s after it.
            if (nowMs - last->toMSecsSinceEpoch() < qint64(swarmCooldownSeconds * 1000.0))
                continue;
        }
        const qint64 windowStartMs = nowMs - qint64(rule.windowMinutes) * 60 * 1000;
        int count = 0;
        for (const EarthquakePtr &event : recentEarthquakes) {
            if (event && event->dateMs() >= windowStartMs)
                ++count;
        }
        if (count >= rule.count) {
            alerts.append(EarthquakeNotificationEvent::swarm(count, rule.windowMinutes));
            m_defaults->setDate(key, now);
        }
    }
    return alerts;
}
