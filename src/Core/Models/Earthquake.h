#pragma once

#include "Models/MagnitudeCategory.h"

#include <QDateTime>
#include <QGeoCoordinate>
#include <QString>
#include <memory>
#include <optional>

// Identity of a record: the store's row once saved, a process-unique temporary value before.
struct PersistentIdentifier {
    qint64 value = 0;
    bool isTemporary() const { return value < 0; }
    friend bool operator==(PersistentIdentifier, PersistentIdentifier) = default;
};
inline size_t qHash(PersistentIdentifier id, size_t seed = 0) { return qHash(id.value, seed); }

// One stored catalogue event. Equality follows the stored identity, not the field values:
// two records built from the same values differ; one row fetched twice is equal to itself.
class Earthquake {
public:
    Earthquake(QString eventID, const QDateTime &date, double latitude, double longitude, double depth,
               double magnitude, QString magnitudeType, std::optional<QString> maxIntensity, QString location,
               const QDateTime &fetchedAt = QDateTime::currentDateTimeUtc());

    PersistentIdentifier id() const { return m_id; }

    const QString &eventID() const { return m_eventID; }
    QDateTime date() const { return QDateTime::fromMSecsSinceEpoch(m_dateMs, Qt::UTC); }
    qint64 dateMs() const { return m_dateMs; }
    double latitude() const { return m_latitude; }
    double longitude() const { return m_longitude; }
    double depth() const { return m_depth; }
    double magnitude() const { return m_magnitude; }
    const QString &magnitudeType() const { return m_magnitudeType; }
    const std::optional<QString> &maxIntensity() const { return m_maxIntensity; }
    const QString &location() const { return m_location; }
    QDateTime fetchedAt() const { return QDateTime::fromMSecsSinceEpoch(m_fetchedAtMs, Qt::UTC); }
    qint64 fetchedAtMs() const { return m_fetchedAtMs; }

    void setEventID(const QString &v) { m_eventID = v; }
    void setDate(const QDateTime &v) { m_dateMs = v.toMSecsSinceEpoch(); }
    void setLatitude(double v) { m_latitude = v; }
    void setLongitude(double v) { m_longitude = v; }
    void setDepth(double v) { m_depth = v; }
    void setMagnitude(double v) { m_magnitude = v; }
    void setMagnitudeType(const QString &v) { m_magnitudeType = v; }
    void setMaxIntensity(const std::optional<QString> &v) { m_maxIntensity = v; }
    void setLocation(const QString &v) { m_location = v; }
    void setFetchedAt(const QDateTime &v) { m_fetchedAtMs = v.toMSecsSinceEpoch(); }

    QGeoCoordinate coordinate() const { return QGeoCoordinate(m_latitude, m_longitude); }
    MagnitudeCategory magnitudeCategory() const { return MagnitudeCategory::from(m_magnitude); }

    friend bool operator==(const Earthquake &a, const Earthquake &b) { return a.m_id == b.m_id; }

private:
    friend class ModelContext;
    friend class EarthquakeRowReader;
    struct StoredTag {};
    Earthquake(StoredTag, qint64 rowId);  // an empty record that the store fills in

    PersistentIdentifier m_id;
    QString m_eventID;
    qint64 m_dateMs = 0;
    double m_latitude = 0;
    double m_longitude = 0;
    double m_depth = 0;
    double m_magnitude = 0;
    QString m_magnitudeType;
    std::optional<QString> m_maxIntensity;
    QString m_location;
    qint64 m_fetchedAtMs = 0;
};

using EarthquakePtr = std::shared_ptr<Earthquake>;
using EarthquakeList = QList<EarthquakePtr>;
