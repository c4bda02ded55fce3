#include "LocationManager.h"

#include "Location/LocationProvider.h"
#include "Location/QtLocationProvider.h"
#include "Notifications/NotificationSettings.h"

#include <QCoreApplication>
#include <QJSEngine>
#include <QQmlEngine>
#include <utility>

namespace {
LocationManager *sharedInstance = nullptr;

// Goes as the application goes (after its windows and engine), so that the positioning thread
// ends before the process does.
void deleteShared()
{
    delete std::exchange(sharedInstance, nullptr);
}
}  // namespace

LocationManager *LocationManager::shared()
{
    static const bool made = [] {
        sharedInstance = new LocationManager(QtLocationProvider::createDefault());
        qAddPostRoutine(deleteShared);
        // Never with location alerts off: the request could show the system's prompt unasked.
        if (NotificationSettings::shared()->locationNotificationsEnabled())
            sharedInstance->refreshAuthorization();
        return true;
    }();
    Q_UNUSED(made);
    return sharedInstance;
}

LocationManager *LocationManager::create(QQmlEngine *, QJSEngine *)
{
    LocationManager *manager = shared();
    QJSEngine::setObjectOwnership(manager, QJSEngine::CppOwnership);
    return manager;
}

LocationManager::LocationManager(LocationProvider *provider, QObject *parent)
    : QObject(parent), m_provider(provider)
{
    Q_ASSERT(provider);
    m_provider->setParent(this);
    connect(m_provider, &LocationProvider::authorizationChanged, this, &LocationManager::providerAuthorizationChanged);
    connect(m_provider, &LocationProvider::locationsUpdated, this, &LocationManager::providerLocationsUpdated);
    m_provider->setDesiredAccuracy(desiredAccuracyMeters);
    m_provider->setDistanceFilter(distanceFilterMeters);
    m_authorizationStatus = m_provider->authorizationStatus();
}

void LocationManager::requestPermission()
{
    m_provider->requestAlwaysAuthorization();
}

void LocationManager::startUpdatingIfAuthorized()
{
    if (m_authorizationStatus == AuthorizedAlways)
        m_provider->startUpdatingLocation();
}

void LocationManager::refreshAuthorization()
{
    if (m_authorizationStatus != AuthorizedAlways)
        m_provider->requestAlwaysAuthorization();
}

void LocationManager::providerAuthorizationChanged()
{
    // Every report is published, also one that repeats the status held.
    m_authorizationStatus = m_provider->authorizationStatus();
    emit authorizationStatusChanged(m_authorizationStatus);
    startUpdatingIfAuthorized();
}

void LocationManager::providerLocationsUpdated(const QList<QGeoCoordinate> &locations)
{
    if (locations.isEmpty())
        return;
    m_userLocation = locations.last();
    emit userLocationChanged(m_userLocation);
}
