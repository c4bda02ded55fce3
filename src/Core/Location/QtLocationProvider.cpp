#include "QtLocationProvider.h"

#include "Location/PositionWorker.h"

#include <QThread>

QtLocationProvider *QtLocationProvider::createDefault(QObject *parent)
{
    return new QtLocationProvider([] { return QGeoPositionInfoSource::createDefaultSource(nullptr); }, parent);
}

QtLocationProvider::QtLocationProvider(SourceFactory factory, QObject *parent)
    : LocationProvider(parent), m_thread(new QThread), m_worker(new PositionWorker(std::move(factory)))
{
    m_thread->setObjectName(QStringLiteral("positioning"));
    m_worker->moveToThread(m_thread);
    connect(m_worker, &PositionWorker::sourceMissing, this, &QtLocationProvider::sourceMissing, Qt::QueuedConnection);
    connect(m_worker, &PositionWorker::positionUpdated, this, &QtLocationProvider::positionUpdated,
            Qt::QueuedConnection);
    connect(m_worker, &PositionWorker::errorOccurred, this, &QtLocationProvider::errorOccurred, Qt::QueuedConnection);
    m_thread->start();
    QMetaObject::invokeMethod(m_worker, &PositionWorker::create, Qt::QueuedConnection);
}

QtLocationProvider::~QtLocationProvider()
{
    // The worker and its source are deleted on their thread, which then ends. A call blocked
    // there (a stalled service holds one for 25 s) is not waited for past the bound: the thread
    // then ends on its own and deletes itself.
    m_worker->disconnect(this);
    QObject::connect(m_worker, &QObject::destroyed, m_thread, &QThread::quit, Qt::DirectConnection);
    m_worker->deleteLater();
    if (m_thread->wait(shutdownWaitMs)) {
        delete m_thread;
        return;
    }
    qWarning("The positioning thread is still busy; it is left to end on its own");
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
}

int QtLocationProvider::preferredMethods() const
{
    // About a kilometre is enough: no satellite fix needed (GeoClue then asks for street level,
    // its coarsest level that Qt can request).
    return int(desiredAccuracy() >= 100.0 ? QGeoPositionInfoSource::NonSatellitePositioningMethods
                                          : QGeoPositionInfoSource::AllPositioningMethods);
}

void QtLocationProvider::runSource()
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, methods = preferredMethods()] {
        worker->run(methods);
    }, Qt::QueuedConnection);
}

void QtLocationProvider::requestAlwaysAuthorization()
{
    // Qt has no permission request: a running source shows whether the service lets us in.
    if (m_sourceMissing || m_status == LocationManager::AuthorizedAlways) {
        emit authorizationChanged();  // the answer is the one held
        return;
    }
    if (m_requestInFlight)
        return;
    m_requestInFlight = true;
    runSource();
}

void QtLocationProvider::startUpdatingLocation()
{
    // The source runs since the request that authorized us: from now on its fixes are reported.
    if (m_sourceMissing || m_updating)
        return;
    m_updating = true;
    runSource();
}

void QtLocationProvider::setStatus(LocationManager::AuthorizationStatus status)
{
    m_status = status;
    emit authorizationChanged();
}

void QtLocationProvider::sourceMissing()
{
    m_sourceMissing = true;
    m_requestInFlight = false;
    setStatus(LocationManager::Restricted);
}

void QtLocationProvider::positionUpdated(const QGeoPositionInfo &info)
{
    m_requestInFlight = false;
    if (m_status != LocationManager::AuthorizedAlways)
        setStatus(LocationManager::AuthorizedAlways);  // may start updates, so report below
    if (m_updating)
        reportLocations({info.coordinate()});
}

void QtLocationProvider::errorOccurred(QGeoPositionInfoSource::Error error)
{
    m_requestInFlight = false;
    switch (error) {
    case QGeoPositionInfoSource::AccessError:  // refused, or the service is not reachable
    case QGeoPositionInfoSource::ClosedError:  // location services switched off
        setStatus(LocationManager::Denied);
        break;
    case QGeoPositionInfoSource::UnknownSourceError:
        setStatus(LocationManager::Restricted);
        break;
    case QGeoPositionInfoSource::UpdateTimeoutError:
        // The service let us in but had no fix in time: it works, a fix may come later. A
        // timeout after a refusal changes nothing.
        if (m_status == LocationManager::NotDetermined)
            setStatus(LocationManager::AuthorizedAlways);
        break;
    case QGeoPositionInfoSource::NoError:
        break;
    }
}
