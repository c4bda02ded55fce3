#pragma once

#include <QGeoCoordinate>
#include <QMetaType>
#include <optional>

// Extent of a map view in degrees.
struct CoordinateSpan {
    Q_GADGET
    Q_PROPERTY(double latitudeDelta MEMBER latitudeDelta)
    Q_PROPERTY(double longitudeDelta MEMBER longitudeDelta)
public:
    double latitudeDelta = 0.0;
    double longitudeDelta = 0.0;
    friend bool operator==(const CoordinateSpan &, const CoordinateSpan &) = default;
};

// A centre and a span: what a map is asked to show.
struct CoordinateRegion {
    Q_GADGET
    Q_PROPERTY(QGeoCoordinate center MEMBER center)
    Q_PROPERTY(CoordinateSpan span MEMBER span)
public:
    QGeoCoordinate center;
    CoordinateSpan span;
    friend bool operator==(const CoordinateRegion &, const CoordinateRegion &) = default;
};

namespace Geo {
// Great-circle distance in metres on the mean Earth sphere; nullopt when either end is invalid
// (QGeoCoordinate::distanceTo would answer 0, which reads as "right here").
std::optional<double> distanceMeters(const QGeoCoordinate &a, const QGeoCoordinate &b);
}
