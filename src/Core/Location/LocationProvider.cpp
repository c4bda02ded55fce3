#include "LocationProvider.h"

#include "Platform/Geo.h"

void LocationProvider::reportLocations(const QList<QGeoCoordinate> &fixes)
{
    QList<QGeoCoordinate> reported;
    for (const QGeoCoordinate &fix : fixes) {
        if (!fix.isValid())
            continue;
        if (m_lastReported.isValid() && m_distanceFilter > 0.0) {
            const std::optional<double> moved = Geo::distanceMeters(m_lastReported, fix);
            if (moved && *moved < m_distanceFilter)
                continue;
        }
        m_lastReported = fix;
        reported.append(fix);
    }
    if (!reported.isEmpty())
        emit locationsUpdated(reported);
}
