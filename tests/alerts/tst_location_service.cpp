// The location holder on Qt's own geoclue2 plugin against a GeoClue service that grants access
// and answers, as on a desktop with location services on. Runs on a bus of its own, which also
// serves as the system bus.
#include "FakeGeoClue.h"
#include "Location/LocationManager.h"
#include "Location/QtLocationProvider.h"
#include "TestWait.h"

#include <QDBusConnection>
#include <QGeoPositionInfoSource>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <cmath>
#include <memory>

namespace {
const QGeoCoordinate origin(28.1, -15.4);

QGeoCoordinate north(double meters)
{
    constexpr double earthRadius = 6371008.8;
    return QGeoCoordinate(origin.latitude() + meters / earthRadius * 180.0 / M_PI, origin.longitude());
}

QString busAddress()
{
    return QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS"));
}

std::unique_ptr<LocationManager> geoClueHolder()
{
    return std::make_unique<LocationManager>(new QtLocationProvider(
        [] { return QGeoPositionInfoSource::createSource(QStringLiteral("geoclue2"), {}, nullptr); }));
}
}  // namespace

class TestLocationService : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Before anything touches positioning or a bus: Qt Test hides the geoclue2 plugin, and
        // libdbus reads the bus addresses once.
        qunsetenv("QT_QTESTLIB_RUNNING");
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", qgetenv("DBUS_SESSION_BUS_ADDRESS"));
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        QStandardPaths::setTestModeEnabled(true);
        std::unique_ptr<QGeoPositionInfoSource> plugin(QGeoPositionInfoSource::createSource(QStringLiteral("geoclue2"), {}, nullptr));
        if (!plugin)
            QSKIP("no geoclue2 positioning plugin on this machine");
    }

    // Switching proximity alerts on: the permission request's fix authorizes, which starts
    // updates while the service is still answering the request.
    void switchingOnKeepsUpdatesRunning()
    {
        FakeGeoClue service(busAddress(), FakeGeoClue::Mode::Answering, north(0));
        QVERIFY(service.isRegistered());
        auto holder = geoClueHolder();
        holder->requestPermission();
        QTRY_COMPARE_WITH_TIMEOUT(holder->authorizationStatus(), LocationManager::AuthorizedAlways, TestWait::bound);
        QTRY_COMPARE_WITH_TIMEOUT(holder->userLocation(), north(0), TestWait::bound);

        // Updates go on: a later move reaches the holder, and the service's client stays started.
        service.moveTo(north(5000));
        QTRY_COMPARE_WITH_TIMEOUT(holder->userLocation(), north(5000), TestWait::bound);
        QVERIFY(service.isStarted());
    }

    // Asking, being answered and starting, back to back on fresh sources, with answers after
    // different delays: never a crash, and the last wish (updates running) holds.
    void askAndStartBackToBack()
    {
        for (int round = 0; round < 50; ++round) {
            const QGeoCoordinate here = north(round * 1000.0);
            FakeGeoClue service(busAddress(), FakeGeoClue::Mode::Answering, here, round % 5 * 10);
            QVERIFY2(service.isRegistered(), qPrintable(QStringLiteral("round %1").arg(round)));
            auto holder = geoClueHolder();
            holder->requestPermission();
            holder->refreshAuthorization();
            holder->requestPermission();
            QTRY_COMPARE_WITH_TIMEOUT(holder->authorizationStatus(), LocationManager::AuthorizedAlways, TestWait::bound);
            holder->startUpdatingIfAuthorized();
            holder->requestPermission();
            QTRY_COMPARE_WITH_TIMEOUT(holder->userLocation(), here, TestWait::bound);

            const QGeoCoordinate moved = north(round * 1000.0 + 700.0);
            service.moveTo(moved);
            QTRY_COMPARE_WITH_TIMEOUT(holder->userLocation(), moved, TestWait::bound);
            QVERIFY(service.isStarted());
        }
    }
};

QTEST_GUILESS_MAIN(TestLocationService)
#include "tst_location_service.moc"
