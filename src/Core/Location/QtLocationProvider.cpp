#include "QtLocationProvider.h"

#include <QThread>

// Owns the source on the worker thread and forwards its answers. Every slot runs there.
class PositionWorker : public QObject {
    Q_OBJECT
public:
    explicit PositionWorker(QtLocationProvider::SourceFactory factory) : m_factory(std::move(factory)) {}

    void create()
    {
        m_source = m_factory ? m_factory() : nullptr;
        m_factory = nullptr;
        if (!m_source) {
            emit sourceMissing();
            return;
        }
        m_source->setParent(this);
        connect(m_source, &QGeoPositionInfoSource::positionUpdated, this, &PositionWorker::positionUpdated);
        connect(m_source, &QGeoPositionInfoSource::errorOccurred, this, &PositionWorker::errorOccurred);
    }
    void requestUpdate(int methods)
    {
        if (!m_source) {
            emit sourceMissing();
            return;
        }
        m_source->setPreferredPositioningMethods(QGeoPositionInfoSource::PositioningMethods(methods));
        m_source->requestUpdate();
    }
    void startUpdates(int methods)
    {
        if (!m_source)
            return;
        m_source->setPreferredPositioningMethods(QGeoPositionInfoSource::PositioningMethods(methods));
        m_source->startUpdates();
    }

signals:
    void sourceMissing();
    void positionUpdated(const QGeoPositionInfo &info);
    void errorOccurred(QGeoPositionInfoSource::Error error);

private:
    QtLocationProvider::SourceFactory m_factory;
    QGeoPositionInfoSource *m_source = nullptr;
};

QtLocationProvider *QtLocationProvider::createDefault(QObject *parent)
{
    return new QtLocationProvider([] { return QGeoPositionInfoSource::createDefaultSource(nullptr); }, parent);
}

QtLocationProvider::QtLocationProvider(SourceFactory factory, QObject *parent)
    : LocationProvider(parent), m_thread(new QThread), m_worker(new PositionWorker(std::move(factory)))
{
    m_thread->setObjectName(QStringLiteral("positioning"));
    m_worker->moveToThread(m_thread);
    // The thread ends on its own once told to quit; nothing joins it.
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    connect(m_worker, &PositionWorker::sourceMissing, this, &QtLocationProvider::sourceMissing, Qt::QueuedConnection);
    connect(m_worker, &PositionWorker::positionUpdated, this, &QtLocationProvider::positionUpdated,
            Qt::QueuedConnection);
    connect(m_worker, &PositionWorker::errorOccurred, this, &QtLocationProvider::errorOccurred, Qt::QueuedConnection);
    m_thread->start();
    QMetaObject::invokeMethod(m_worker, &PositionWorker::create, Qt::QueuedConnection);
}

QtLocationProvider::~QtLocationProvider()
{
    // The worker and its source are deleted on their thread once a blocked call there returns;
    // the thread then quits and deletes itself.
    m_worker->disconnect(this);
    QObject::connect(m_worker, &QObject::destroyed, m_thread, &QThread::quit, Qt::DirectConnection);
    m_worker->deleteLater();
}

int QtLocationProvider::preferredMethods() const
{
    // About a kilometre is enough: no satellite fix needed (GeoClue then asks for street level,
    // its coarsest level that Qt can request).
    return int(desiredAccuracy() >= 100.0 ? QGeoPositionInfoSource::NonSatellitePositioningMethods
                                          : QGeoPositionInfoSource::AllPositioningMethods);
}

void QtLocationProvider::requestAlwaysAuthorization()
{
    if (m_sourceMissing) {
        emit authorizationChanged();  // the answer is "restricted", as before
        return;
    }
    if (m_requestInFlight)
        return;
    // Qt has no permission request: one position request shows whether the service lets us in.
    m_requestInFlight = true;
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, methods = preferredMethods()] {
        worker->requestUpdate(methods);
    }, Qt::QueuedConnection);
}

void QtLocationProvider::startUpdatingLocation()
{
    // Qt's sources refuse (with a warning) to start twice; once started, updates go on.
    if (m_sourceMissing || m_updating)
        return;
    m_updating = true;
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, methods = preferredMethods()] {
        worker->startUpdates(methods);
    }, Qt::QueuedConnection);
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

#include "QtLocationProvider.moc"
