#pragma once

#include "Location/LocationProvider.h"

#include <QGeoPositionInfo>
#include <QGeoPositionInfoSource>
#include <functional>

class PositionWorker;
class QThread;

// The system's positioning service through Qt Positioning (GeoClue 2 on Linux). Qt has no
// permission API: no source reads as restricted, an access or closed error as denied, an unknown
// source error as restricted, a source that answered (a position, or a timeout without refusal)
// as authorized always, and a source not asked in this process as not determined.
//
// Asking starts the source, and it keeps running from then on (see PositionWorker); its fixes
// are reported only once updates are started. A source that refused is replaced when asked again.
//
// The source lives on a thread of its own: Qt 6.4's geoclue2 plugin makes blocking D-Bus calls
// on its source's thread (tens of seconds against a GeoClue that does not answer). It is
// created, driven and deleted there through queued calls; its answers come back as queued
// signals; the main thread waits for that thread only as the provider goes, and not for long.
class QtLocationProvider : public LocationProvider {
    Q_OBJECT
public:
    // Makes a source on the worker thread; a null source (no positioning plugin) reads as
    // restricted. Runs there once at first, and again for each source that refused.
    using SourceFactory = std::function<QGeoPositionInfoSource *()>;

    // How long the provider's destruction waits for its thread to end after the source is gone.
    static constexpr int shutdownWaitMs = 5000;

    explicit QtLocationProvider(SourceFactory factory, QObject *parent = nullptr);
    ~QtLocationProvider() override;
    // On QGeoPositionInfoSource::createDefaultSource().
    static QtLocationProvider *createDefault(QObject *parent = nullptr);

    LocationManager::AuthorizationStatus authorizationStatus() const override { return m_status; }
    // One request at a time: a request while one is unanswered does nothing. Once authorized
    // always, the running source has answered: the answer is repeated at once.
    void requestAlwaysAuthorization() override;
    void startUpdatingLocation() override;

private:
    int preferredMethods() const;
    void runSource();
    void setStatus(LocationManager::AuthorizationStatus status);
    void sourceMissing();
    void positionUpdated(const QGeoPositionInfo &info);
    void errorOccurred(QGeoPositionInfoSource::Error error);

    QThread *m_thread = nullptr;
    PositionWorker *m_worker = nullptr;  // lives on m_thread; deleted there
    LocationManager::AuthorizationStatus m_status = LocationManager::NotDetermined;
    bool m_sourceMissing = false;
    bool m_requestInFlight = false;
    bool m_updating = false;
};
