#include "Geo.h"

#include <cmath>
#include <optional>

namespace Geo {

std::optional<double> distanceMeters(const QGeoCoordinate &a, const QGeoCoordinate &b)
{
    if (!a.isValid() || !b.isValid())
        return std::nullopt;
    constexpr double earthRadius = 6371008.8;  // mean radius, metres
    constexpr double toRad = M_PI / 180.0;
    const double phi1 = a.latitude() * toRad;
    const double phi2 = b.latitude() * toRad;
    const double dPhi = phi2 - phi1;
    const double dLambda = (b.longitude() - a.longitude()) * toRad;
    const double h = std::sin(dPhi / 2) * std::sin(dPhi / 2)
                     + std::cos(phi1) * std::cos(phi2) * std::sin(dLambda / 2) * std::sin(dLambda / 2);
    return 2.0 * earthRadius * std::asin(std::min(1.0, std::sqrt(h)));
}

}  // namespace Geo
