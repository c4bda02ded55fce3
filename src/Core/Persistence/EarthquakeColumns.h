#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <optional>
#include <span>

// The table Earthquake: its ten columns in the store's order, each with the type the schema
// declares. The schema, the column check, the statements and the readers are built from this
// one list, so a column is named in one place only.
namespace EarthquakeColumns {

enum Column { EventID, Date, Latitude, Longitude, Depth, Magnitude, MagnitudeType, MaxIntensity, Location, FetchedAt };

struct Description {
    Column column;
    const char *name;
    const char *type;  // as the schema declares it, constraints included
};

inline constexpr std::array<Description, 10> all = {{
    {EventID, "eventID", "TEXT NOT NULL UNIQUE"},
    {Date, "date", "INTEGER"},  // milliseconds since 1970-01-01 UTC
    {Latitude, "latitude", "REAL"},
    {Longitude, "longitude", "REAL"},
    {Depth, "depth", "REAL"},
    {Magnitude, "magnitude", "REAL"},
    {MagnitudeType, "magnitudeType", "TEXT"},
    {MaxIntensity, "maxIntensity", "TEXT"},  // NULL when absent
    {Location, "location", "TEXT"},
    {FetchedAt, "fetchedAt", "INTEGER"},  // milliseconds since 1970-01-01 UTC
}};

constexpr bool inOrder()
{
    for (size_t i = 0; i < all.size(); ++i) {
        if (size_t(all[i].column) != i)
            return false;
    }
    return true;
}
static_assert(inOrder(), "a column's place in the list is its index");

inline const char *name(Column column) { return all[size_t(column)].name; }

// Every column's name, in the store's order: what the column check expects.
QStringList names();

// The statement that creates the table, exactly as every existing store holds it.
QString createTable();

// An insert of every column, one placeholder each in the store's order.
QString insert();

// "SELECT rowid, <columns> FROM Earthquake": in each result row the row id comes first and the
// columns follow in the order given.
QString select(std::span<const Column> columns);
QString selectAll();

}  // namespace EarthquakeColumns

// A stored value as Qt's SQLite driver hands it over (an integer, a real, a text, a blob, or a
// null string for NULL) converted to the field it fills. Every reader of the store converts
// through these, so that a value of another type (another program may store anything) reads
// the same in a whole record and in the snapshot's rows.
namespace StoredValue {

// A real is rounded to the nearest integer; one that is not finite or lies outside qint64's
// range reads as the smallest qint64 (its conversion would be undefined). Text that is not an
// integer, and NULL, read as 0.
qint64 integer(const QVariant &value);
// Text that is not a number, and NULL, read as 0.
double real(const QVariant &value);
// NULL reads as a null string.
QString text(const QVariant &value);
// NULL reads as an empty string (a place is never null).
QString nonNullText(const QVariant &value);
// NULL reads as absent.
std::optional<QString> optionalText(const QVariant &value);

}  // namespace StoredValue
