#include "StoreWriter.h"

#include <QAtomicInt>
#include <QSqlQuery>
#include <QThread>

namespace {
// QThread::create runs its function through a std::future, which may throw while the process
// exits; the writer's loop needs nothing but run().
class WriterThread : public QThread {
public:
    WriterThread(std::function<void()> loop, QObject *parent) : QThread(parent), m_loop(std::move(loop)) {}

protected:
    void run() override { m_loop(); }

private:
    std::function<void()> m_loop;
};
}  // namespace

StoreWriter::StoreWriter(const QString &filePath, const QString &connectOptions, const QString &ownerConnection,
                         QObject *parent)
    : QObject(parent)
    , m_ownerConnection(ownerConnection)
{
    if (filePath.isEmpty())
        return;
    m_thread = new WriterThread([this, filePath, connectOptions] { work(filePath, connectOptions); }, this);
    m_thread->setObjectName(QStringLiteral("StoreWriter"));
}

StoreWriter::~StoreWriter()
{
    if (!m_thread || !m_thread->isRunning())
        return;
    {
        QMutexLocker lock(&m_mutex);
        m_stopping = true;
    }
    m_wake.wakeAll();
    m_thread->wait();
}

void StoreWriter::post(std::function<void(QSqlDatabase &)> job, std::function<void()> then)
{
    if (!m_thread) {
        QSqlDatabase db = QSqlDatabase::database(m_ownerConnection, false);
        job(db);
        QMetaObject::invokeMethod(this, std::move(then), Qt::QueuedConnection);
        return;
    }
    {
        QMutexLocker lock(&m_mutex);
        m_pending.push_back({std::move(job), std::move(then)});
    }
    if (!m_thread->isRunning()) {
        // Started by the first job, and seen running before this returns: a thread that would
        // only start while the process exits can fail in Qt's own start-up.
        m_thread->start();
        m_running.acquire();
    }
    m_wake.wakeOne();
}

void StoreWriter::work(const QString &filePath, const QString &connectOptions)
{
    m_running.release();
    // Opened, used and closed on this thread only.
    static QAtomicInt counter;
    const QString name = QStringLiteral("sismo-store-writer-%1").arg(counter.fetchAndAddRelaxed(1));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(filePath);
        db.setConnectOptions(connectOptions);
        for (;;) {
            Pending next;
            {
                QMutexLocker lock(&m_mutex);
                while (m_pending.empty() && !m_stopping)
                    m_wake.wait(&m_mutex);
                if (m_pending.empty())
                    break;
                next = std::move(m_pending.front());
                m_pending.pop_front();
            }
            // A failed open is tried again by the next job; meanwhile its statements fail.
            if (!db.isOpen() && db.open())
                QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
            next.job(db);
            next.job = nullptr;  // what the job holds (a whole page, say) is freed here, not there
            // This writer outlives the loop: its destruction waits for the thread.
            QMetaObject::invokeMethod(this, std::move(next.then), Qt::QueuedConnection);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}
