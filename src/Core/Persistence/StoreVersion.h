#pragma once

#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// SQLite's data version of the store as one connection sees it: it changes whenever another
// connection commits a change, and costs a few microseconds to read. A store file is watched on
// a read-only connection of its own, which sees every commit of the application's own
// connections too; an in-memory store through its only connection.
class StoreVersion {
public:
    virtual ~StoreVersion() = default;
    // None when it cannot be read.
    virtual std::optional<qint64> read() = 0;

    static std::unique_ptr<StoreVersion> ofFile(const QString &path);
    static std::unique_ptr<StoreVersion> ofConnection(std::function<QSqlDatabase()> database);
};
