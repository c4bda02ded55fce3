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
        emit authorizationChanged();
        return;
    }
    m_source->requestUpdate();
}

void QtLocationProvider::startUpdatingLocation()
{
    if (!m_source)
        return;
    m_updating = true;
    m_source->startUpdates();
}

void QtLocationProvider::setStatus(LocationManager::AuthorizationStatus status)
{
    m_status = status;
    emit authorizationChanged();
}

void QtLocationProvider::positionUpdated(const QGeoPositionInfo &info)
{
    if (m_status != LocationManager::AuthorizedAlways)
        setStatus(LocationManager::AuthorizedAlways);
    if (m_updating)
        reportLocations({info.coordinate()});
}

void QtLocationProvider::errorOccurred(QGeoPositionInfoSource::Error error)
{
    switch (error) {
    case QGeoPositionInfoSource::AccessError:
    case QGeoPositionInfoSource::ClosedError:
        setStatus(LocationManager::Denied);
        break;
    case QGeoPositionInfoSource::UnknownSourceError:
        setStatus(LocationManager::Restricted);
        break;
    case QGeoPositionInfoSource::UpdateTimeoutError:
    case QGeoPositionInfoSource::NoError:
        break;
    }
}
