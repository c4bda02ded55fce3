#pragma once

#include "Models/Earthquake.h"
#include "Notifications/EarthquakeNotificationEvent.h"
#include "Platform/Clock.h"
#include "Platform/UserDefaults.h"

#include <QGeoCoordinate>
#include <QList>
#include <QString>
#include <optional>

class NotificationSettings;

// The alert rules for one evaluation: magnitude, proximity to the user, and four swarm rules
// with a 30-minute cooldown each, whose last alert times live in the user defaults.
class NotificationFilter {
public:
    static constexpr double swarmCooldownSeconds = 1800.0;

    // `userLocation`: the last known location; absent (or invalid) when none is known.
    // `defaults` holds the swarm alert times; `now` is read once per evaluation.
    NotificationFilter(const NotificationSettings &settings, std::optional<QGeoCoordinate> userLocation,
                       UserDefaults &defaults = UserDefaults::standard(), NowFunction now = systemNow);

    // `newEarthquakes`: the events this refresh inserted, in insertion order; `recentEarthquakes`:
    // the stored events of the last 24 hours, new ones included. Result order: magnitude alerts,
    // then proximity alerts (both in input order), then swarm alerts in rule order. The time of
    // every swarm rule that fires is written to the defaults before this returns.
    QList<EarthquakeNotificationEvent> evaluate(const EarthquakeList &newEarthquakes,
                                                const EarthquakeList &recentEarthquakes) const;

    // "swarm.lastNotified.<count>in<windowMinutes>"
    static QString cooldownKey(int count, int windowMinutes);

private:
    QList<EarthquakeNotificationEvent> evaluateSwarm(const EarthquakeList &recentEarthquakes) const;

    const NotificationSettings *m_settings;
    std::optional<QGeoCoordinate> m_userLocation;
    UserDefaults *m_defaults;
    NowFunction m_now;
};
