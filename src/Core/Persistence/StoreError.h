#pragma once

#include "Platform/Error.h"

#include <QSqlError>

// A store failure as the user reads it: SQLite's own words, else the driver's.
inline Error storeError(const QString &text)
{
    return Error{Error::Domain::Store, 0, text.isEmpty() ? QStringLiteral("unknown store error") : text};
}

inline Error storeError(const QSqlError &e)
{
    const QString text = e.databaseText().trimmed();
    return storeError(text.isEmpty() ? e.driverText().trimmed() : text);
}
