#include "QtLocationProvider.h"

QtLocationProvider *QtLocationProvider::createDefault(QObject *parent)
{
    return new QtLocationProvider(QGeoPositionInfoSource::createDefaultSource(nullptr), parent);
}

QtLocationProvider::QtLocationProvider(QGeoPositionInfoSource *source, QObject *parent)
    : LocationProvider(parent), m_source(source),
      m_status(source ? LocationManager::NotDetermined : LocationManager::Restricted)
{
    if (!m_source)
        return;
    m_source->setParent(this);
    connect(m_source, &QGeoPositionInfoSource::positionUpdated, this, &QtLocationProvider::positionUpdated);
    connect(m_source, &QGeoPositionInfoSource::errorOccurred, this, &QtLocationProvider::errorOccurred);
}

void QtLocationProvider::requestAlwaysAuthorization()
{
    if (!m_source) {
        emit authorizationChanged();  // the answer is "restricted", as before
        return;
    }
    // Qt has no permission request: one position request shows whether the service lets us in.
    applyAccuracy();
    m_source->requestUpdate();
}

void QtLocationProvider::startUpdatingLocation()
{
    // Qt's sources refuse (with a warning) to start twice; once started, updates go on.
    if (!m_source || m_updating)
        return;
    m_updating = true;
    applyAccuracy();
    m_source->startUpdates();
}

void QtLocationProvider::applyAccuracy()
{
    // About a kilometre is enough: no satellite fix needed (GeoClue then asks for street level,
    // its coarsest level that Qt can request).
    m_source->setPreferredPositioningMethods(desiredAccuracy() >= 100.0
                                                 ? QGeoPositionInfoSource::NonSatellitePositioningMethods
                                                 : QGeoPositionInfoSource::AllPositioningMethods);
}

void QtLocationProvider::setStatus(LocationManager::AuthorizationStatus status)
{
    m_status = status;
    emit authorizationChanged();
}

void QtLocationProvider::positionUpdated(const QGeoPositionInfo &info)
{
    if (m_status != LocationManager::AuthorizedAlways)
        setStatus(LocationManager::AuthorizedAlways);  // may start updates, so report below
    if (m_updating)
        reportLocations({info.coordinate()});
}

void QtLocationProvider::errorOccurred(QGeoPositionInfoSource::Error error)
{
    switch (error) {
    case QGeoPositionInfoSource::AccessError:  // refused, or the service is not reachable
    case QGeoPositionInfoSource::ClosedError:  // location services switched off
        setStatus(LocationManager::Denied);
        break;
    case QGeoPositionInfoSource::UnknownSourceError:
        setStatus(LocationManager::Restricted);
        break;
    case QGeoPositionInfoSource::UpdateTimeoutError:
        // The service let us in but had no fix in time: it works, a fix may come later.
        if (m_status == LocationManager::NotDetermined)
            setStatus(LocationManager::AuthorizedAlways);
        break;
    case QGeoPositionInfoSource::NoError:
        break;
    }
}
