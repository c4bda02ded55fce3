#include "PositionWorker.h"

void PositionWorker::create()
{
    makeSource();
    if (!m_source)
        emit sourceMissing();
}

void PositionWorker::makeSource()
{
    m_source = m_factory ? m_factory() : nullptr;
    m_started = false;
    m_refused = false;
    if (!m_source)
        return;
    m_source->setParent(this);
    connect(m_source, &QGeoPositionInfoSource::positionUpdated, this, &PositionWorker::sourcePositionUpdated);
    connect(m_source, &QGeoPositionInfoSource::errorOccurred, this, &PositionWorker::sourceErrorOccurred);
}

void PositionWorker::run(int methods)
{
    if (m_source && m_refused) {
        // Later: this may run inside the source's own signal. Calls it still has in flight go with it.
        m_source->disconnect(this);
        m_source->deleteLater();
        makeSource();
    }
    if (!m_source) {
        emit sourceMissing();
        return;
    }
    if (m_started)
        return;
    m_started = true;
    m_source->setPreferredPositioningMethods(QGeoPositionInfoSource::PositioningMethods(methods));
    m_remembered = m_source->lastKnownPosition();
    m_source->startUpdates();
}

void PositionWorker::sourcePositionUpdated(const QGeoPositionInfo &info)
{
    const bool repeated = m_remembered.isValid() && info == m_remembered;
    m_remembered = {};
    if (!repeated)
        emit positionUpdated(info);
}

void PositionWorker::sourceErrorOccurred(QGeoPositionInfoSource::Error error)
{
    switch (error) {
    case QGeoPositionInfoSource::AccessError:
    case QGeoPositionInfoSource::ClosedError:
    case QGeoPositionInfoSource::UnknownSourceError:
        m_refused = true;
        break;
    case QGeoPositionInfoSource::UpdateTimeoutError:  // no fix yet; the source goes on
    case QGeoPositionInfoSource::NoError:
        break;
    }
    emit errorOccurred(error);
}
