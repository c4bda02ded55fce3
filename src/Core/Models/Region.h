#pragma once

#include "Platform/Geo.h"

#include <QLocale>
#include <QString>
#include <QUrl>

// A monitored area: where its catalogue lives and what its map first shows.
struct Region {
    QString id;
    QString name;
    QUrl dataSourceURL;
    QGeoCoordinate centerCoordinate;
    CoordinateSpan defaultSpan;
    QLocale locale;

    CoordinateRegion mapRegion() const { return {centerCoordinate, defaultSpan}; }

    // Built once, on first use. SISMOVANTAQUELORIN_CATALOGUE_URL, when set, replaces the address.
    static const Region &canaryIslands();
};

// The institute's catalogue page of the last ten days.
inline constexpr const char *kCatalogueURL =
    "https://www.ign.es/web/vlc-ultimo-terremoto/-/sismovantaquelorin/get10dias";
