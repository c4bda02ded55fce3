#include "StoreVersion.h"

#include "Persistence/SnapshotLoader.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <sqlite3.h>

namespace {

class FileVersion : public StoreVersion {
public:
    explicit FileVersion(QString path) : m_path(std::move(path)) {}
    ~FileVersion() override { sqlite3_finalize(m_statement); }

    std::optional<qint64> read() override
    {
        if (!m_statement && !open())
            return std::nullopt;
        sqlite3_reset(m_statement);
        if (sqlite3_step(m_statement) != SQLITE_ROW)
            return std::nullopt;
        return qint64(sqlite3_column_int64(m_statement, 0));
    }

private:
    bool open()
    {
        auto db = SnapshotLoader::openReadOnly(m_path);
        if (!db)
            return false;
        if (sqlite3_prepare_v2(db->get(), "PRAGMA data_version", -1, &m_statement, nullptr) != SQLITE_OK) {
            sqlite3_finalize(m_statement);
            m_statement = nullptr;
            return false;
        }
        m_db = std::move(*db);
        // Read on the main thread: a store another program holds locked means "no look this
        // time", never a wait.
        sqlite3_busy_timeout(m_db.get(), 0);
        return true;
    }

    QString m_path;
    SnapshotLoader::Connection m_db;
    sqlite3_stmt *m_statement = nullptr;  // finalized before the connection closes
};

class ConnectionVersion : public StoreVersion {
public:
    explicit ConnectionVersion(std::function<QSqlDatabase()> database) : m_database(std::move(database)) {}

    std::optional<qint64> read() override
    {
        QSqlQuery q(m_database());
        if (!q.exec(QStringLiteral("PRAGMA data_version")) || !q.next())
            return std::nullopt;
        return q.value(0).toLongLong();
    }

private:
    std::function<QSqlDatabase()> m_database;
};

}  // namespace

std::unique_ptr<StoreVersion> StoreVersion::ofFile(const QString &path)
{
    return std::make_unique<FileVersion>(path);
}

std::unique_ptr<StoreVersion> StoreVersion::ofConnection(std::function<QSqlDatabase()> database)
{
    return std::make_unique<ConnectionVersion>(std::move(database));
}
