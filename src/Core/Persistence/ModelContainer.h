#pragma once

#include "Platform/Error.h"

#include <QObject>
#include <QSqlDatabase>
#include <memory>

class ModelContext;

// Owns the store: one SQLite database holding the table Earthquake.
class ModelContainer : public QObject {
    Q_OBJECT
public:
    struct Configuration {
        QString filePath;       // ignored when inMemory
        bool inMemory = false;
    };

    static constexpr int schemaVersion = 1;

    // Opens or creates the store. A file that is not a store of ours is left untouched.
    static Expected<std::unique_ptr<ModelContainer>> open(const Configuration &configuration);
    ~ModelContainer() override;

    ModelContext *mainContext() const { return m_mainContext; }
    QSqlDatabase database() const;
    const Configuration &configuration() const { return m_configuration; }

signals:
    // After every successful save of any context on this container.
    void didSave();

private:
    ModelContainer(const Configuration &configuration, const QString &connectionName);
    friend class ModelContext;

    Configuration m_configuration;
    QString m_connectionName;
    ModelContext *m_mainContext = nullptr;
};
