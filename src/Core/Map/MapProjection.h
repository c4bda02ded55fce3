#pragma once

#include "Platform/Geo.h"

#include <QGeoCoordinate>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Web Mercator in "world units": the whole world is the square [0,1] x [0,1], x growing east
// from the antimeridian, y growing south from 85.0511 N. At zoom z the world is
// tileSize * 2^z pixels wide, as in the usual tile schemes.
namespace MapProjection {

inline constexpr double kMaxLatitude = 85.05112877980659;
inline constexpr double kTileSize = 256.0;

// Latitude clamped to +-kMaxLatitude, longitude taken as given (no wrapping).
QPointF toWorld(double latitude, double longitude);
inline QPointF toWorld(const QGeoCoordinate &c) { return toWorld(c.latitude(), c.longitude()); }
QGeoCoordinate fromWorld(const QPointF &world);

// Pixels per world unit at a zoom level.
double worldScale(double zoom);
double zoomForScale(double scale);

// The zoom at which both spans of the region fit into the viewport, as the platform map
// fits a region: the region's centre goes to the viewport's centre, and the more
// constraining of the two spans fills its side. Returns nullopt for an empty viewport or a
// degenerate region.
std::optional<double> zoomToFit(const CoordinateRegion &region, const QSizeF &viewport);

// The region shown by a viewport of the given size centred on `center` at `zoom`.
CoordinateRegion regionShown(const QGeoCoordinate &center, double zoom, const QSizeF &viewport);

}  // namespace MapProjection
