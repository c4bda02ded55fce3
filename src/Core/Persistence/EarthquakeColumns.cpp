#include "EarthquakeColumns.h"

#include <cmath>
#include <limits>

namespace EarthquakeColumns {

namespace {

QString joined(std::span<const Column> columns)
{
    QStringList list;
    for (const Column column : columns)
        list << QString::fromLatin1(name(column));
    return list.join(QStringLiteral(", "));
}

}  // namespace

QStringList names()
{
    QStringList list;
    for (const Description &column : all)
        list << QString::fromLatin1(column.name);
    return list;
}

QString createTable()
{
    QStringList declarations;
    for (const Description &column : all)
        declarations << QString::fromLatin1(column.name) + QLatin1Char(' ') + QString::fromLatin1(column.type);
    return QStringLiteral("CREATE TABLE Earthquake (") + declarations.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString insert()
{
    QStringList placeholders;
    for (size_t i = 0; i < all.size(); ++i)
        placeholders << QStringLiteral("?");
    return QStringLiteral("INSERT INTO Earthquake (") + names().join(QStringLiteral(", ")) + QStringLiteral(") VALUES (")
           + placeholders.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString select(std::span<const Column> columns)
{
    return QStringLiteral("SELECT rowid, ") + joined(columns) + QStringLiteral(" FROM Earthquake");
}

QString selectAll()
{
    return QStringLiteral("SELECT rowid, ") + names().join(QStringLiteral(", ")) + QStringLiteral(" FROM Earthquake");
}

}  // namespace EarthquakeColumns

namespace StoredValue {

qint64 integer(const QVariant &value)
{
    if (value.typeId() == QMetaType::Double) {
        const double real = value.toDouble();
        if (!(std::isfinite(real) && std::fabs(real) < 9.2e18))
            return std::numeric_limits<qint64>::min();
    }
    return value.toLongLong();
}

double real(const QVariant &value)
{
    return value.toDouble();
}

QString text(const QVariant &value)
{
    return value.toString();
}

QString nonNullText(const QVariant &value)
{
    QString text = value.toString();
    return text.isNull() ? QString(QLatin1String("")) : text;
}

std::optional<QString> optionalText(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

}  // namespace StoredValue
