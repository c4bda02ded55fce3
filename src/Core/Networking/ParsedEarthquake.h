#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// One catalogue table row, as read from the page.
struct ParsedEarthquake {
    QString eventID;
    QDateTime date;  // UTC
    double latitude = 0;
    double longitude = 0;
    double depth = 0;
    double magnitude = 0;
    QString magnitudeType;               // "—" when the page gave none
    std::optional<QString> maxIntensity; // absent when the page gave none
    QString location;
};

using ParsedEarthquakeList = QList<ParsedEarthquake>;
