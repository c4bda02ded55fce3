#pragma once

#include "Location/LocationManager.h"

#include <QGeoCoordinate>
#include <QList>
#include <QObject>

// What the location holder needs of a positioning service. Implementations report the answer to
// an authorization request through authorizationChanged() and fixes through reportLocations(),
// which applies the distance filter that Qt Positioning lacks.
class LocationProvider : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual LocationManager::AuthorizationStatus authorizationStatus() const = 0;
    virtual void requestAlwaysAuthorization() = 0;
    virtual void startUpdatingLocation() = 0;

    void setDesiredAccuracy(double meters) { m_desiredAccuracy = meters; }
    double desiredAccuracy() const { return m_desiredAccuracy; }
    // A fix closer than this to the last one reported is dropped; 0 reports every fix.
    void setDistanceFilter(double meters) { m_distanceFilter = meters; }
    double distanceFilter() const { return m_distanceFilter; }

signals:
    void authorizationChanged();
    void locationsUpdated(const QList<QGeoCoordinate> &locations);  // never empty, oldest first

protected:
    // Filters `fixes` (oldest first) and emits what is left, if anything.
    void reportLocations(const QList<QGeoCoordinate> &fixes);

private:
    double m_desiredAccuracy = 0.0;
    double m_distanceFilter = 0.0;
    QGeoCoordinate m_lastReported;
};
