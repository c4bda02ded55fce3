#pragma once

#include <QGeoCoordinate>
#include <QObject>
#include <QtQml/qqmlregistration.h>

class LocationProvider;
class QQmlEngine;
class QJSEngine;

// The process-wide holder of the user's last known location and of the location authorization.
// Coarse positioning only (about a kilometre, a new fix after 500 m of movement). Updates start
// only while authorized always, and once started they are never stopped; the last location is
// kept, also when authorization is withdrawn.
class LocationManager : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QGeoCoordinate userLocation READ userLocation NOTIFY userLocationChanged)
    Q_PROPERTY(AuthorizationStatus authorizationStatus READ authorizationStatus NOTIFY authorizationStatusChanged)
public:
    // The platform's numbering.
    enum AuthorizationStatus {
        NotDetermined = 0,
        Restricted = 1,   // no positioning service can be used on this machine
        Denied = 2,       // the service refused us, or location services are off
        AuthorizedAlways = 3,
        AuthorizedWhenInUse = 4,  // never asked for; never starts updates
    };
    Q_ENUM(AuthorizationStatus)

    static constexpr double desiredAccuracyMeters = 1000.0;
    static constexpr double distanceFilterMeters = 500.0;

    // The process-wide holder on the system's positioning service; built on first use, when it
    // asks for the status at once if location alerts are on, and deleted with the application
    // object (null from then on).
    static LocationManager *shared();
    static LocationManager *create(QQmlEngine *, QJSEngine *);

    // A holder on the given provider (tests), which it takes as its child.
    explicit LocationManager(LocationProvider *provider, QObject *parent = nullptr);

    QGeoCoordinate userLocation() const { return m_userLocation; }  // invalid while none is known
    AuthorizationStatus authorizationStatus() const { return m_authorizationStatus; }

    // Asks for authorization at all times; the answer comes later as authorizationStatusChanged.
    Q_INVOKABLE void requestPermission();
    // Starts updates while authorized always (each call asks again); otherwise does nothing.
    Q_INVOKABLE void startUpdatingIfAuthorized();
    // Nothing tells us when the user grants or withdraws access outside the app: unless
    // authorized always, asks the service again (one position request at a time).
    Q_INVOKABLE void refreshAuthorization();

signals:
    void userLocationChanged(const QGeoCoordinate &location);
    void authorizationStatusChanged(LocationManager::AuthorizationStatus status);

private:
    void providerAuthorizationChanged();
    void providerLocationsUpdated(const QList<QGeoCoordinate> &locations);

    LocationProvider *m_provider;
    QGeoCoordinate m_userLocation;
    AuthorizationStatus m_authorizationStatus = NotDetermined;
};
