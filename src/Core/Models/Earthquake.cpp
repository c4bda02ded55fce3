#include "Earthquake.h"

#include <atomic>

namespace {
qint64 nextTemporaryId()
{
    static std::atomic<qint64> counter{0};
    return -(++counter);
}
}  // namespace

Earthquake::Earthquake(QString eventID, const QDateTime &date, double latitude, double longitude, double depth,
                       double magnitude, QString magnitudeType, std::optional<QString> maxIntensity,
                       QString location, const QDateTime &fetchedAt)
    : m_id{nextTemporaryId()}
    , m_eventID(std::move(eventID))
    , m_dateMs(date.toMSecsSinceEpoch())
    , m_latitude(latitude)
    , m_longitude(longitude)
    , m_depth(depth)
    , m_magnitude(magnitude)
    , m_magnitudeType(std::move(magnitudeType))
    , m_maxIntensity(std::move(maxIntensity))
    , m_location(std::move(location))
    , m_fetchedAtMs(fetchedAt.toMSecsSinceEpoch())
{
}

Earthquake::Earthquake(StoredTag, qint64 rowId)
    : m_id{rowId}
{
}
