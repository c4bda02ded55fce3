#pragma once

#include <QMutex>
#include <QObject>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QWaitCondition>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QThread;

// Runs store work on a thread of its own with a connection of its own, so that the thread that
// asks never waits on a locked store or a long insert. Jobs run one at a time in the order they
// were given; each one's completion then runs on the writer's own thread (the owner's), unless
// the writer is gone by then. An in-memory store has no file a second connection could share:
// its jobs run at once on the owner's connection, and their completions still come later.
class StoreWriter : public QObject {
    Q_OBJECT
public:
    // Opens `filePath` with `connectOptions` on the writer's thread; an empty `filePath` means the
    // in-memory store behind `ownerConnection`.
    StoreWriter(const QString &filePath, const QString &connectOptions, const QString &ownerConnection,
                QObject *parent = nullptr);
    // Waits for the jobs already given: a write that was handed over is never cut short. Needs
    // no event loop, so a store destroyed at exit still ends its writes.
    ~StoreWriter() override;

    template <typename T>
    void run(std::function<T(QSqlDatabase &)> job, std::function<void(T)> then)
    {
        auto result = std::make_shared<std::optional<T>>();
        post([job = std::move(job), result](QSqlDatabase &db) { result->emplace(job(db)); },
             [then = std::move(then), result] { then(std::move(**result)); });
    }

private:
    struct Pending {
        std::function<void(QSqlDatabase &)> job;
        std::function<void()> then;
    };

    void post(std::function<void(QSqlDatabase &)> job, std::function<void()> then);
    void work(const QString &filePath, const QString &connectOptions);

    QString m_ownerConnection;
    QThread *m_thread = nullptr;  // none for an in-memory store; started by the first job
    QSemaphore m_running;         // released once the thread runs
    QMutex m_mutex;
    QWaitCondition m_wake;
    std::deque<Pending> m_pending;  // under m_mutex
    bool m_stopping = false;        // under m_mutex
};
