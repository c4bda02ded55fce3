#pragma once

#include "Models/Earthquake.h"

// One alert that the alert rules found due; the notification sender turns it into a notification.
struct EarthquakeNotificationEvent {
    enum class Kind { Magnitude, Proximity, Swarm };

    Kind kind = Kind::Magnitude;
    EarthquakePtr earthquake;  // Magnitude and Proximity: the stored event
    double distanceKm = 0.0;   // Proximity: user's location to the epicentre, fraction kept
    int count = 0;             // Swarm: events found inside the window (not the rule's threshold)
    int windowMinutes = 0;     // Swarm: the rule's window

    static EarthquakeNotificationEvent magnitude(EarthquakePtr event)
    {
        return {Kind::Magnitude, std::move(event), 0.0, 0, 0};
    }
    static EarthquakeNotificationEvent proximity(EarthquakePtr event, double distanceKm)
    {
        return {Kind::Proximity, std::move(event), distanceKm, 0, 0};
    }
    static EarthquakeNotificationEvent swarm(int count, int windowMinutes)
    {
        return {Kind::Swarm, nullptr, 0.0, count, windowMinutes};
    }
};
