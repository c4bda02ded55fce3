#include "Map/MapProjection.h"

#include <algorithm>
#include <cmath>

namespace MapProjection {

QPointF toWorld(double latitude, double longitude)
{
    const double lat = std::clamp(latitude, -kMaxLatitude, kMaxLatitude);
    const double s = std::sin(lat * M_PI / 180.0);
    const double x = (longitude + 180.0) / 360.0;
    const double y = 0.5 - std::log((1.0 + s) / (1.0 - s)) / (4.0 * M_PI);
    return {x, std::clamp(y, 0.0, 1.0)};  // rounding at the limit latitudes
}

QGeoCoordinate fromWorld(const QPointF &world)
{
    const double lon = world.x() * 360.0 - 180.0;
    const double n = M_PI * (1.0 - 2.0 * world.y());
    const double lat = std::atan(std::sinh(n)) * 180.0 / M_PI;
    return QGeoCoordinate(std::clamp(lat, -kMaxLatitude, kMaxLatitude), lon);
}

double worldScale(double zoom) { return kTileSize * std::exp2(zoom); }
double zoomForScale(double scale) { return std::log2(scale / kTileSize); }

std::optional<double> zoomToFit(const CoordinateRegion &region, const QSizeF &viewport)
{
    if (viewport.width() <= 0 || viewport.height() <= 0 || !region.center.isValid())
        return std::nullopt;
    const double lat = region.center.latitude();
    const double halfLat = std::abs(region.span.latitudeDelta) / 2.0;
    const double worldW = std::abs(region.span.longitudeDelta) / 360.0;
    // Mercator stretches the northern half more: the centre stays in the middle, so the
    // taller half decides.
    const double yc = toWorld(lat, 0).y();
    const double worldH = 2.0 * std::max(yc - toWorld(lat + halfLat, 0).y(), toWorld(lat - halfLat, 0).y() - yc);
    if (worldW <= 0 && worldH <= 0)
        return std::nullopt;
    double scale = std::numeric_limits<double>::infinity();
    if (worldW > 0)
        scale = std::min(scale, viewport.width() / worldW);
    if (worldH > 0)
        scale = std::min(scale, viewport.height() / worldH);
    return zoomForScale(scale);
}

CoordinateRegion regionShown(const QGeoCoordinate &center, double zoom, const QSizeF &viewport)
{
    const double scale = worldScale(zoom);
    const QPointF c = toWorld(center);
    const double hw = viewport.width() / 2.0 / scale;
    const double hh = viewport.height() / 2.0 / scale;
    const QGeoCoordinate nw = fromWorld({c.x() - hw, c.y() - hh});
    const QGeoCoordinate se = fromWorld({c.x() + hw, c.y() + hh});
    CoordinateRegion r;
    r.center = QGeoCoordinate((nw.latitude() + se.latitude()) / 2.0, center.longitude());
    r.span.latitudeDelta = nw.latitude() - se.latitude();
    r.span.longitudeDelta = se.longitude() - nw.longitude();
    return r;
}

}  // namespace MapProjection
