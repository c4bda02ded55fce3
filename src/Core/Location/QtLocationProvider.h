#pragma once

#include "Location/LocationProvider.h"

#include <QGeoPositionInfoSource>
#include <QPointer>

// The system's positioning service through Qt Positioning (GeoClue 2 on Linux). Qt has no
// permission API: no source reads as restricted, an access error as denied, a source that
// answered (a position, or a timeout without refusal) as authorized always, and a source not
// asked yet as not determined.
class QtLocationProvider : public LocationProvider {
    Q_OBJECT
public:
    // `source` is taken as a child; null (no positioning plugin) reads as restricted.
    explicit QtLocationProvider(QGeoPositionInfoSource *source, QObject *parent = nullptr);
    // On QGeoPositionInfoSource::createDefaultSource().
    static QtLocationProvider *createDefault(QObject *parent = nullptr);

    LocationManager::AuthorizationStatus authorizationStatus() const override { return m_status; }
    void requestAlwaysAuthorization() override;
    void startUpdatingLocation() override;

private:
    void applyAccuracy();
    void setStatus(LocationManager::AuthorizationStatus status);
    void positionUpdated(const QGeoPositionInfo &info);
    void errorOccurred(QGeoPositionInfoSource::Error error);

    QPointer<QGeoPositionInfoSource> m_source;
    LocationManager::AuthorizationStatus m_status;
    bool m_updating = false;
};
