#include "Location/LocationManager.h"
#include "Location/LocationProvider.h"
#include "Location/QtLocationProvider.h"
#include "TestWait.h"

#include <QGeoPositionInfoSource>
#include <QSignalSpy>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>
#include <cmath>

namespace {
using Status = LocationManager::AuthorizationStatus;

// A provider the test drives: a status to report and a count of update starts.
class FakeLocationProvider : public LocationProvider {
public:
    Status status = LocationManager::NotDetermined;
    int authorizationRequests = 0;
    int updateStarts = 0;

    Status authorizationStatus() const override { return status; }
    void requestAlwaysAuthorization() override { ++authorizationRequests; }
    void startUpdatingLocation() override { ++updateStarts; }

    void answer(Status s)
    {
        status = s;
        emit authorizationChanged();
    }
    using LocationProvider::reportLocations;
};

// A positioning source that emits what the test tells it to; Qt Test hides the real plugins.
// It lives on the provider's worker thread, so its counts are atomic.
class ScriptedSource : public QGeoPositionInfoSource {
public:
    ScriptedSource() : QGeoPositionInfoSource(nullptr) {}
    std::atomic<int> starts = 0;
    std::atomic<int> requests = 0;
    std::atomic<int> methods = 0;
    QGeoPositionInfo lastKnownPosition(bool) const override { return {}; }
    PositioningMethods supportedPositioningMethods() const override { return AllPositioningMethods; }
    int minimumUpdateInterval() const override { return 1000; }
    Error error() const override { return NoError; }
    void startUpdates() override { ++starts; }
    void stopUpdates() override {}
    void requestUpdate(int) override
    {
        methods = int(preferredPositioningMethods());
        ++requests;
    }
};

// A provider whose source the test reaches once the worker thread has made it.
struct ScriptedProvider {
    std::shared_ptr<std::atomic<ScriptedSource *>> made = std::make_shared<std::atomic<ScriptedSource *>>(nullptr);
    QtLocationProvider *provider = new QtLocationProvider([made = made] {
        auto *source = new ScriptedSource;
        *made = source;
        return source;
    });
    ScriptedSource *source() const { return made->load(); }
};

const QGeoCoordinate origin(28.1, -15.4);

// A point `meters` north of the origin along its meridian.
QGeoCoordinate north(double meters)
{
    constexpr double earthRadius = 6371008.8;
    return QGeoCoordinate(origin.latitude() + meters / earthRadius * 180.0 / M_PI, origin.longitude());
}
}  // namespace

class TestLocation : public QObject {
    Q_OBJECT
private slots:
    void initialStatusComesFromTheProvider()
    {
        auto *provider = new FakeLocationProvider;
        provider->status = LocationManager::Denied;
        LocationManager manager(provider);
        QCOMPARE(manager.authorizationStatus(), LocationManager::Denied);
        QVERIFY(!manager.userLocation().isValid());
        QCOMPARE(provider->desiredAccuracy(), 1000.0);
        QCOMPARE(provider->distanceFilter(), 500.0);
        QCOMPARE(provider->updateStarts, 0);  // building the holder neither asks nor starts
        QCOMPARE(provider->authorizationRequests, 0);
    }

    void onlyAuthorizedAlwaysStartsUpdates_data()
    {
        QTest::addColumn<Status>("answer");
        QTest::addColumn<int>("starts");
        QTest::newRow("not determined") << LocationManager::NotDetermined << 0;
        QTest::newRow("restricted") << LocationManager::Restricted << 0;
        QTest::newRow("denied") << LocationManager::Denied << 0;
        QTest::newRow("when in use") << LocationManager::AuthorizedWhenInUse << 0;
        QTest::newRow("always") << LocationManager::AuthorizedAlways << 1;
    }
    void onlyAuthorizedAlwaysStartsUpdates()
    {
        QFETCH(Status, answer);
        QFETCH(int, starts);
        auto *provider = new FakeLocationProvider;
        LocationManager manager(provider);
        QSignalSpy statusSpy(&manager, &LocationManager::authorizationStatusChanged);

        manager.requestPermission();
        QCOMPARE(provider->authorizationRequests, 1);
        QCOMPARE(manager.authorizationStatus(), LocationManager::NotDetermined);  // the answer comes later
        provider->answer(answer);
        QCOMPARE(manager.authorizationStatus(), answer);
        QCOMPARE(statusSpy.count(), 1);
        QCOMPARE(statusSpy.at(0).at(0).value<Status>(), answer);
        QCOMPARE(provider->updateStarts, starts);

        // No flag of its own: each call while authorized asks again.
        manager.startUpdatingIfAuthorized();
        QCOMPARE(provider->updateStarts, starts * 2);
    }

    void keepsTheLastLocationDelivered()
    {
        auto *provider = new FakeLocationProvider;
        LocationManager manager(provider);
        QSignalSpy spy(&manager, &LocationManager::userLocationChanged);
        emit provider->locationsUpdated({});
        QCOMPARE(spy.count(), 0);
        QVERIFY(!manager.userLocation().isValid());

        emit provider->locationsUpdated({north(0), north(5000), north(9000)});
        QCOMPARE(spy.count(), 1);
        QCOMPARE(manager.userLocation(), north(9000));

        provider->answer(LocationManager::Denied);  // withdrawn: the location stays
        QCOMPARE(manager.userLocation(), north(9000));
    }

    // Each fix is measured from the last one reported, not the last one received.
    void distanceFilter_data()
    {
        QTest::addColumn<QList<double>>("fixesNorthMeters");
        QTest::addColumn<QList<double>>("reported");
        QTest::newRow("first fix always") << QList<double>{0} << QList<double>{0};
        QTest::newRow("499 m dropped") << QList<double>{0, 499} << QList<double>{0};
        QTest::newRow("501 m reported") << QList<double>{0, 501} << QList<double>{0, 501};
        QTest::newRow("small steps add up from the last reported") << QList<double>{0, 300, 600, 900, 1150}
                                                                  << QList<double>{0, 600, 1150};
        QTest::newRow("back and forth") << QList<double>{0, 1000, 100} << QList<double>{0, 1000, 100};
    }
    void distanceFilter()
    {
        QFETCH(QList<double>, fixesNorthMeters);
        QFETCH(QList<double>, reported);
        auto *provider = new FakeLocationProvider;
        LocationManager manager(provider);  // sets the 500 m filter
        QSignalSpy spy(provider, &LocationProvider::locationsUpdated);
        for (double m : fixesNorthMeters)
            provider->reportLocations({north(m)});
        QList<QGeoCoordinate> got;
        for (const QList<QVariant> &args : spy)
            got.append(args.at(0).value<QList<QGeoCoordinate>>());
        QList<QGeoCoordinate> expected;
        for (double m : reported)
            expected.append(north(m));
        QCOMPARE(got, expected);
        QCOMPARE(manager.userLocation(), expected.last());
    }

    void distanceFilterInsideOneBatch()
    {
        auto *provider = new FakeLocationProvider;
        LocationManager manager(provider);
        QSignalSpy spy(provider, &LocationProvider::locationsUpdated);
        provider->reportLocations({north(0), north(200), QGeoCoordinate(), north(700)});
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<QList<QGeoCoordinate>>(), (QList<QGeoCoordinate>{north(0), north(700)}));
        provider->reportLocations({north(800)});  // nothing left: nothing emitted
        QCOMPARE(spy.count(), 1);
        QCOMPARE(manager.userLocation(), north(700));
    }

    // What a Qt positioning source reports becomes a status; a position starts updates.
    void qtSourceStatusMapping_data()
    {
        QTest::addColumn<int>("error");  // -1: a position arrives
        QTest::addColumn<Status>("status");
        QTest::addColumn<int>("starts");
        QTest::newRow("position") << -1 << LocationManager::AuthorizedAlways << 1;
        QTest::newRow("access error") << int(QGeoPositionInfoSource::AccessError) << LocationManager::Denied << 0;
        QTest::newRow("closed") << int(QGeoPositionInfoSource::ClosedError) << LocationManager::Denied << 0;
        QTest::newRow("unknown source") << int(QGeoPositionInfoSource::UnknownSourceError) << LocationManager::Restricted << 0;
        QTest::newRow("timeout, not refused") << int(QGeoPositionInfoSource::UpdateTimeoutError)
                                              << LocationManager::AuthorizedAlways << 1;
    }
    void qtSourceStatusMapping()
    {
        QFETCH(int, error);
        QFETCH(Status, status);
        QFETCH(int, starts);
        ScriptedProvider scripted;
        LocationManager manager(scripted.provider);
        QTRY_VERIFY_WITH_TIMEOUT(scripted.source(), TestWait::bound);
        ScriptedSource *source = scripted.source();
        QCOMPARE(manager.authorizationStatus(), LocationManager::NotDetermined);
        manager.requestPermission();
        QTRY_COMPARE_WITH_TIMEOUT(source->requests.load(), 1, TestWait::bound);
        QCOMPARE(source->methods.load(), int(QGeoPositionInfoSource::NonSatellitePositioningMethods));

        QSignalSpy answered(&manager, &LocationManager::authorizationStatusChanged);
        const QGeoPositionInfo fix(north(0), QDateTime::currentDateTimeUtc());
        if (error < 0)
            emit source->positionUpdated(fix);
        else
            emit source->errorOccurred(QGeoPositionInfoSource::Error(error));
        QTRY_COMPARE_WITH_TIMEOUT(answered.count(), 1, TestWait::bound);
        QCOMPARE(manager.authorizationStatus(), status);
        QTRY_COMPARE_WITH_TIMEOUT(source->starts.load(), starts, TestWait::bound);
        manager.startUpdatingIfAuthorized();  // a running source is not started twice
        QTest::qWait(50);
        QCOMPARE(source->starts.load(), starts);
        // The answering position is the first one held.
        QCOMPARE(manager.userLocation(), error < 0 ? north(0) : QGeoCoordinate());
    }

    // A request still unanswered is not repeated; once answered, asking again asks again.
    void oneRequestInFlight()
    {
        ScriptedProvider scripted;
        LocationManager manager(scripted.provider);
        QTRY_VERIFY_WITH_TIMEOUT(scripted.source(), TestWait::bound);
        manager.requestPermission();
        manager.refreshAuthorization();
        manager.requestPermission();
        QTRY_COMPARE_WITH_TIMEOUT(scripted.source()->requests.load(), 1, TestWait::bound);
        QTest::qWait(50);
        QCOMPARE(scripted.source()->requests.load(), 1);
        QSignalSpy answered(&manager, &LocationManager::authorizationStatusChanged);
        emit scripted.source()->errorOccurred(QGeoPositionInfoSource::AccessError);
        QTRY_COMPARE_WITH_TIMEOUT(manager.authorizationStatus(), LocationManager::Denied, TestWait::bound);
        manager.refreshAuthorization();  // a refusal may be lifted outside the app
        QTRY_COMPARE_WITH_TIMEOUT(scripted.source()->requests.load(), 2, TestWait::bound);
        emit scripted.source()->positionUpdated(QGeoPositionInfo(north(0), QDateTime::currentDateTimeUtc()));
        QTRY_COMPARE_WITH_TIMEOUT(manager.authorizationStatus(), LocationManager::AuthorizedAlways, TestWait::bound);
        manager.refreshAuthorization();  // authorized always: nothing to ask
        QTest::qWait(50);
        QCOMPARE(scripted.source()->requests.load(), 2);
    }

    void qtSourceErrorAfterAuthorizationKeepsTheLocation()
    {
        ScriptedProvider scripted;
        LocationManager manager(scripted.provider);
        QTRY_VERIFY_WITH_TIMEOUT(scripted.source(), TestWait::bound);
        manager.requestPermission();
        emit scripted.source()->positionUpdated(QGeoPositionInfo(north(0), QDateTime::currentDateTimeUtc()));
        QTRY_COMPARE_WITH_TIMEOUT(manager.userLocation(), north(0), TestWait::bound);
        emit scripted.source()->errorOccurred(QGeoPositionInfoSource::AccessError);
        QTRY_COMPARE_WITH_TIMEOUT(manager.authorizationStatus(), LocationManager::Denied, TestWait::bound);
        QCOMPARE(manager.userLocation(), north(0));
    }

    void noPositioningServiceFailsNothing()
    {
        LocationManager manager(new QtLocationProvider([] { return nullptr; }));
        QSignalSpy spy(&manager, &LocationManager::authorizationStatusChanged);
        QTRY_COMPARE_WITH_TIMEOUT(manager.authorizationStatus(), LocationManager::Restricted, TestWait::bound);
        QCOMPARE(spy.count(), 1);
        manager.requestPermission();
        QCOMPARE(spy.count(), 2);
        QCOMPARE(manager.authorizationStatus(), LocationManager::Restricted);
        manager.startUpdatingIfAuthorized();
        QVERIFY(!manager.userLocation().isValid());
    }

    // The source is deleted on its own thread when the holder goes.
    void sourceDiesWithTheProvider()
    {
        QPointer<ScriptedSource> source;
        {
            ScriptedProvider scripted;
            LocationManager manager(scripted.provider);
            QTRY_VERIFY_WITH_TIMEOUT(scripted.source(), TestWait::bound);
            source = scripted.source();
            QVERIFY(source->thread() != QThread::currentThread());
        }
        QTRY_VERIFY_WITH_TIMEOUT(source.isNull(), TestWait::bound);
    }

    void sharedHolderWithoutPlugins()
    {
        // Qt Test hides the positioning plugins, so this machine has no service here.
        LocationManager *shared = LocationManager::shared();
        QCOMPARE(LocationManager::shared(), shared);
        std::unique_ptr<QGeoPositionInfoSource> probe(QGeoPositionInfoSource::createDefaultSource(nullptr));
        if (!probe)
            QTRY_COMPARE_WITH_TIMEOUT(shared->authorizationStatus(), LocationManager::Restricted, TestWait::bound);
        shared->requestPermission();
        QVERIFY(!shared->userLocation().isValid());
    }
};

QTEST_GUILESS_MAIN(TestLocation)
#include "tst_location.moc"
