#include "EarthquakeSnapshot.h"

#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Persistence/SnapshotSync.h"
#include "Persistence/StoreVersion.h"
#include "Platform/NamedNotifications.h"

#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

// What the next read is to do: requests that arrive while one runs join into one.
struct EarthquakeSnapshot::Job {
    bool load = false;
    QList<qint64> ownRowIds;
    bool reloadIfUnexplained = false;
};

EarthquakeSnapshot::EarthquakeSnapshot(ModelContainer *container, QObject *parent)
    : QObject(parent)
    , m_container(container)
{
    if (container->configuration().inMemory) {
        m_version = StoreVersion::ofConnection([container] { return container->database(); });
    } else {
        m_version = StoreVersion::ofFile(container->configuration().filePath);
        m_session = SnapshotSync::newSession();
    }
    connect(container, &ModelContainer::didSave, this, &EarthquakeSnapshot::onSaved);
    connect(NamedNotifications::defaultCenter(), &NamedNotifications::posted, this, [this](const QString &name) {
        if (name == NamedNotifications::appDidBecomeActive)
            checkForChanges();
    });
    m_poll.setInterval(5000);
    connect(&m_poll, &QTimer::timeout, this, &EarthquakeSnapshot::checkForChanges);
}

// A job in flight holds only its own copies and connections: it finishes on its own, and its
// watcher, a child of this object, goes with it.
EarthquakeSnapshot::~EarthquakeSnapshot() = default;

const std::vector<EarthquakeSnapshot::Row> &EarthquakeSnapshot::rows()
{
    static const std::vector<Row> none;
    waitForLoaded();
    return m_data ? m_data->rows : none;
}

const QString &EarthquakeSnapshot::placeName(quint32 place) const
{
    static const QString none;
    return m_data && place < m_data->places.size() ? m_data->places[place] : none;
}

void EarthquakeSnapshot::startLoading()
{
    if (m_data || (m_running && m_runningLoads) || (m_pending && m_pending->load))
        return;
    Job job;
    job.load = true;
    schedule(job);
}

bool EarthquakeSnapshot::waitForLoaded()
{
    for (;;) {
        if (m_data)
            return true;
        if (!m_running) {
            startLoading();
            if (!m_running)
                return false;
        }
        const bool loading = m_runningLoads;
        m_future.waitForFinished();
        finish(m_running);
        if (loading && !m_data)
            return false;  // the load failed
    }
}

std::optional<qint64> EarthquakeSnapshot::storeVersion()
{
    return m_version->read();
}

void EarthquakeSnapshot::checkForChanges()
{
    if (!m_data)
        return;  // a load in flight is checked when it ends; none reads everything anyway
    const std::optional<qint64> version = storeVersion();
    if (!version || version == m_seenVersion)
        return;
    Job job;
    // Own saves are merged by jobs that note the version after their commit, and a look joined
    // with one pending reads nothing afresh: a change seen here is another writer's.
    job.reloadIfUnexplained = true;
    schedule(job);
}

void EarthquakeSnapshot::setWatching(QObject *watcher, bool active)
{
    if (!watcher)
        return;
    if (active && !m_watchers.contains(watcher)) {
        m_watchers.insert(watcher);
        connect(watcher, &QObject::destroyed, this, [this, watcher] { setWatching(watcher, false); });
    } else if (!active && m_watchers.remove(watcher)) {
        disconnect(watcher, &QObject::destroyed, this, nullptr);
    }
    if (m_watchers.isEmpty())
        m_poll.stop();
    else if (!m_poll.isActive())
        m_poll.start();
}

std::optional<Earthquake> EarthquakeSnapshot::record(const Row &row)
{
    const auto fetched = m_container->mainContext()->fetchRows({row.rowId});
    if (!fetched)
        return std::nullopt;
    if (fetched->isEmpty()) {
        reloadIfStale();
        return std::nullopt;
    }
    const Earthquake &e = *fetched->constFirst();
    const auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
    if (e.dateMs() != row.dateMs || !same(e.latitude(), row.latitude) || !same(e.longitude(), row.longitude)
        || !same(e.depth(), row.depth) || !same(e.magnitude(), row.magnitude) || e.location() != placeName(row.place))
        reloadIfStale();
    return e;
}

// A row that reads otherwise than the snapshot holds it: a change not yet brought in, or one
// that a merge could not see (a row rewritten in place while an own save was made).
void EarthquakeSnapshot::reloadIfStale()
{
    if (!m_data)
        return;
    const std::optional<qint64> version = storeVersion();
    if (version != m_seenVersion) {
        checkForChanges();
    } else if (m_loadedVersion != m_seenVersion) {
        Job job;
        job.load = true;
        schedule(job);
    }
    // Else nothing changed since all was read: the row cannot be read as it is stored.
}

void EarthquakeSnapshot::onSaved(const QList<qint64> &addedRowIds)
{
    if (addedRowIds.isEmpty() || (!m_data && !m_running && !m_pending))
        return;  // nothing added, or nothing loaded: a later load reads it all
    Job job;
    job.ownRowIds = addedRowIds;
    schedule(job);
}

void EarthquakeSnapshot::schedule(const Job &job)
{
    if (!m_pending)
        m_pending = std::make_unique<Job>();
    m_pending->load = m_pending->load || job.load;
    m_pending->ownRowIds += job.ownRowIds;
    m_pending->reloadIfUnexplained = m_pending->reloadIfUnexplained || job.reloadIfUnexplained;
    startNext();
}

void EarthquakeSnapshot::startNext()
{
    if (m_running || !m_pending)
        return;
    const std::unique_ptr<Job> job = std::move(m_pending);
    if (!m_data && !job->load)
        return;  // nothing to bring up to date
    m_running = ++m_serial;
    m_runningLoads = job->load || !m_data;
    // Read before the job reads: whatever is committed after this shows as a new version.
    m_runningVersion = storeVersion();
    m_seenVersion = m_runningVersion;
    auto result = std::make_shared<Result>();
    m_result = result;

    if (m_container->configuration().inMemory) {
        // No other connection can read it: read through the store's own, here, and announce it
        // from the event loop as the background reads are.
        *result = SnapshotSync::loadThroughContext(*m_container->mainContext());
        m_future = QtFuture::makeReadyFuture();
        QMetaObject::invokeMethod(this, [this, serial = m_running] { finish(serial); }, Qt::QueuedConnection);
        return;
    }

    SnapshotSync::Request request;
    request.session = m_session;
    request.path = m_container->configuration().filePath;
    request.threads = m_readerThreads;
    request.minRowsPerThread = m_minRowsPerThread;
    if (!job->load)
        request.known = m_data;
    request.ownRowIds = job->ownRowIds;
    // Joined with an own save, a change may be that save: it cannot tell another writer's.
    request.reloadIfUnexplained = job->reloadIfUnexplained && job->ownRowIds.isEmpty();
    m_future = QtConcurrent::run(QThreadPool::globalInstance(),
                                 [request, result] { *result = SnapshotSync::run(request); });
    auto *watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcher<void>::finished, this, [this, watcher, serial = m_running] {
        watcher->deleteLater();
        finish(serial);
    });
    watcher->setFuture(m_future);
}

void EarthquakeSnapshot::finish(int serial)
{
    if (serial != m_running)
        return;  // finished already (waitForLoaded)
    m_running = 0;
    const Result result = std::move(*m_result);
    m_result.reset();
    const bool wasLoaded = isLoaded();
    if (result.failed && !m_runningLoads) {
        // A read that fails leaves the snapshot unloaded rather than short of the store.
        m_data.reset();
        m_pending.reset();
    } else if (result.data) {
        m_data = result.data;
        if (result.reloaded) {
            m_loadedVersion = m_runningVersion;
            ++m_loadCount;
        }
    }
    if (wasLoaded != isLoaded())
        emit loadedChanged();
    if (result.data || wasLoaded != isLoaded())
        emit changed();
    startNext();
    if (!m_running)
        checkForChanges();  // whatever was committed while it read
}
