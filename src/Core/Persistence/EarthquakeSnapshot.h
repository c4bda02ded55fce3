#pragma once

#include "Models/Earthquake.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <typeindex>
#include <unordered_map>
#include <vector>

class ModelContainer;
class StoreVersion;
namespace SnapshotSync {
struct Result;
struct Session;
}

// Every stored event in memory, read-only, in the store's newest-first order (date descending,
// equal dates by eventID descending). Loaded in the background, on connections of its own,
// when first asked for; after each save it merges in only the rows that save added. It also
// follows other writers of the store file (another instance, another program): a change is
// noticed through SQLite's data version and brought in, new rows merged, anything else loaded
// afresh. Screens that show all events read this instead of querying. Its data is immutable
// once published, so readers on other threads may hold it while the snapshot moves on.
class EarthquakeSnapshot : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The snapshot belongs to its store")
    Q_PROPERTY(bool loaded READ isLoaded NOTIFY loadedChanged)
public:
    struct Row {
        qint64 rowId;      // the store's row: the identity
        qint64 dateMs;     // milliseconds UTC
        double latitude, longitude, depth, magnitude;
        quint32 place;     // index into Data::places
    };
    static_assert(sizeof(Row) <= 64);

    struct Data {
        std::vector<Row> rows;        // newest first
        std::vector<QString> places;  // each distinct location text once
        qint64 maxRowId = std::numeric_limits<qint64>::min();  // the largest row id held
        bool sqlOrdered = false;      // sorted by SQLite (values of other types): changes reload
    };
    using DataPtr = std::shared_ptr<const Data>;

    explicit EarthquakeSnapshot(ModelContainer *container, QObject *parent = nullptr);
    ~EarthquakeSnapshot() override;

    // What is loaded now, or null while nothing is; never blocks. Each change publishes a new
    // Data: a reader keeps the one it holds for as long as it needs it, on any thread.
    DataPtr data() const { return m_data; }
    bool isLoaded() const { return bool(m_data); }

    // Starts loading in the background when nothing is loaded or loading; loadedChanged() and
    // changed() follow. A load that fails leaves it unloaded, and the next call tries again.
    Q_INVOKABLE void startLoading();
    // Blocks until loaded (tests, tools and benchmarks; screens use data() and the notices).
    bool waitForLoaded();

    // Newest first; loads and waits when nothing is loaded (see waitForLoaded). The reference
    // is valid until the next changed().
    const std::vector<Row> &rows();
    const QString &placeName(quint32 place) const;
    quint32 placeCount() const { return m_data ? quint32(m_data->places.size()) : 0; }

    // The stored record of a row, read by its row id; none when the read fails. A record that
    // is gone or differs from the row means the snapshot is stale: it is brought up to date.
    std::optional<Earthquake> record(const Row &row);

    // Whether another writer changed the store since the last look, in well under a
    // millisecond; a change is brought in in the background. Also run after each own save,
    // when the application becomes active, and every few seconds while a watcher is active.
    Q_INVOKABLE void checkForChanges();
    // Readers on screen: while one is active the snapshot checks every `pollInterval`.
    void setWatching(QObject *watcher, bool active);
    void setPollInterval(int ms) { m_poll.setInterval(ms); }
    bool isPolling() const { return m_poll.isActive(); }

    // Reader threads for a store file, each reading at least `minRows` row ids (the in-memory
    // store always reads through the store's own connection).
    void setReaderThreads(int count, qint64 minRows = 50000)
    {
        m_readerThreads = qMax(1, count);
        m_minRowsPerThread = minRows;
    }

    // Whether a read runs or waits to run; full loads so far (tests tell a merge from a reload).
    bool isBusy() const { return m_running || m_pending; }
    int loadCount() const { return m_loadCount; }

    // Data a reader derives from the rows and keeps for the snapshot's lifetime, one of each
    // type, made on first use (the map's per-event marker data).
    template <typename T>
    T &derived()
    {
        std::shared_ptr<void> &slot = m_derived[std::type_index(typeid(T))];
        if (!slot)
            slot = std::make_shared<T>();
        return *static_cast<T *>(slot.get());
    }

signals:
    void loadedChanged();
    // After each change of the rows: a load, a merge, a reload.
    void changed();

private:
    struct Job;
    using Result = SnapshotSync::Result;
    void onSaved(const QList<qint64> &addedRowIds);
    void schedule(const Job &job);
    void startNext();
    void finish(int serial);
    void reloadIfStale();
    std::optional<qint64> storeVersion();

    ModelContainer *m_container;
    DataPtr m_data;
    std::unique_ptr<StoreVersion> m_version;
    std::shared_ptr<SnapshotSync::Session> m_session;  // shared with the job in flight
    std::optional<qint64> m_seenVersion;     // the store's data version when last brought in
    std::optional<qint64> m_loadedVersion;   // ... when the last full load began
    std::optional<qint64> m_runningVersion;  // ... when the job in flight began
    std::unique_ptr<Job> m_pending;          // the next job, joined from every request since
    int m_running = 0;                       // serial of the job in flight, 0 when none
    bool m_runningLoads = false;
    int m_serial = 0;
    QFuture<void> m_future;                  // of the job in flight
    std::shared_ptr<Result> m_result;        // ... and where it puts its result
    QSet<QObject *> m_watchers;
    QTimer m_poll;
    int m_readerThreads = 4;
    qint64 m_minRowsPerThread = 50000;
    int m_loadCount = 0;
    std::unordered_map<std::type_index, std::shared_ptr<void>> m_derived;
};
