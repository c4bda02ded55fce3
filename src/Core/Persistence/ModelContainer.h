#pragma once

#include "Platform/Error.h"

#include <QObject>
#include <QSqlDatabase>
#include <memory>

class EarthquakeSnapshot;
class ModelContext;
class StoreWriter;

// Owns the store: one SQLite database holding the table Earthquake.
class ModelContainer : public QObject {
    Q_OBJECT
public:
    struct Configuration {
        QString filePath;       // ignored when inMemory
        bool inMemory = false;
    };

    static constexpr int schemaVersion = 1;

    // Opens or creates the store. A file that is not a store of ours is refused before anything
    // is written to it.
    static Expected<std::unique_ptr<ModelContainer>> open(const Configuration &configuration);
    ~ModelContainer() override;

    ModelContext *mainContext() const { return m_mainContext; }
    QSqlDatabase database() const;
    const Configuration &configuration() const { return m_configuration; }

    // Every stored event in memory, shared by the screens that show them all; made on first call.
    EarthquakeSnapshot *snapshot();
    // Successful saves so far, counted on this thread before didSave is emitted. A save on the
    // writer thread counts when its result arrives here, after its commit: a read between the
    // two already sees its rows.
    quint64 saveCount() const { return m_saveCount; }

signals:
    // On this thread, after every successful save of any context on this container, with the
    // row ids the save added (empty when every staged row was stored already).
    void didSave(const QList<qint64> &addedRowIds);

private:
    ModelContainer(const Configuration &configuration, const QString &connectionName);
    friend class ModelContext;
    StoreWriter *writer() const { return m_writer; }
    void noteSaved(const QList<qint64> &addedRowIds);

    Configuration m_configuration;
    QString m_connectionName;
    StoreWriter *m_writer = nullptr;
    ModelContext *m_mainContext = nullptr;
    EarthquakeSnapshot *m_snapshot = nullptr;
    quint64 m_saveCount = 0;
};
