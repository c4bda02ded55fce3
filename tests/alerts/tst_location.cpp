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
// It lives on the provider's worker thread, so its counts are atomic. Like Qt's own sources, it
// repeats the position it remembers as it starts.
class ScriptedSource : public QGeoPositionInfoSource {
public:
    explicit ScriptedSource(const QGeoPositionInfo &remembered = {})
        : QGeoPositionInfoSource(nullptr), m_remembered(remembered)
    {
    }
    std::atomic<int> starts = 0;
    std::atomic<int> stops = 0;
    std::atomic<int> requests = 0;
    std::atomic<int> methods = 0;
    QGeoPositionInfo lastKnownPosition(bool) const override { return m_remembered; }
    PositioningMethods supportedPositioningMethods() const override { return AllPositioningMethods; }
    int minimumUpdateInterval() const override { return 1000; }
    Error error() const override { return NoError; }
    void startUpdates() override
    {
        methods = int(preferredPositioningMethods());
        ++starts;
        if (m_remembered.isValid())
            QMetaObject::invokeMethod(this, [this] { emit positionUpdated(m_remembered); }, Qt::QueuedConnection);
    }
    void stopUpdates() override { ++stops; }
    void requestUpdate(int) override { ++requests; }

private:
    const QGeoPositionInfo m_remembered;
};

// A provider whose sources the test reaches once the worker thread has made them.
struct ScriptedProvider {
    explicit ScriptedProvider(const QGeoPositionInfo &remembered = {})
        : provider(new QtLocationProvider([made = made, count = count, remembered] {
            auto *source = new ScriptedSource(remembered);
            *made = source;
            ++*count;
            return source;
        }))
    {
    }
    std::shared_ptr<std::atomic<ScriptedSource *>> made = std::make_shared<std::atomic<ScriptedSource *>>(nullptr);
    std::shared_ptr<std::atomic<int>> count = std::make_shared<std::atomic<int>>(0);
    QtLocationProvider *provider;
    ScriptedSource *source() const { return made->load(); }  // the newest
    int sourcesMade() const { return count->load(); }
};

// Returns once the positioning thread has handled every call queued to it so far: what the
// provider asked of the source has happened by then.
void settle(ScriptedSource *source)
{
    QMetaObject::invokeMethod(source, [] {}, Qt::BlockingQueuedConnection);
}

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

    // What a Qt positioning source reports becomes a status; a position starts updates. Asking
    // starts the source, which is never stopped, asked for single positions, or started twice.
    void qtSourceStatusMapping_data()
    {
        QTest::addColumn<int>("error");  // -1: a position arrives
        QTest::addColumn<Status>("status");
        QTest::addColumn<bool>("updating");
        QTest::newRow("position") << -1 << LocationManager::AuthorizedAlways << true;
        QTest::newRow("access error") << int(QGeoPositionInfoSource::AccessError) << LocationManager::Denied << false;
        QTest::newRow("closed") << int(QGeoPositionInfoSource::ClosedError) << LocationManager::Denied << false;
        QTest::newRow("unknown source") << int(QGeoPositionInfoSource::UnknownSourceError) << LocationManager::Restricted
                                        << false;
        QTest::newRow("timeout, not refused") << int(QGeoPositionInfoSource::UpdateTimeoutError)
                                              << LocationManager::AuthorizedAlways << true;
    }
    void qtSourceStatusMapping()
    {
        QFETCH(int, error);
        QFETCH(Status, status);
        QFETCH(bool, updating);
        ScriptedProvider scripted;
        LocationManager manager(scripted.provider);
        QTRY_VERIFY_WITH_TIMEOUT(scripted.source(), TestWait::bound);
        ScriptedSource *source = scripted.source();
        QCOMPARE(source->starts.load(), 0);  // made, not started, until asked
        QCOMPARE(manager.authorizationStatus(), LocationManager::NotDetermined);
        manager.requestPermission();
        QTRY_COMPARE_WITH_TIMEOUT(source->starts.load(), 1, TestWait::bound);
        QCOMPARE(source->methods.load(), int(QGeoPositionInfoSource::NonSatellitePositioningMethods));

        QSignalSpy answered(&manager, &LocationManager::authorizationStatusChanged);
        QSignalSpy located(&manager, &LocationManager::userLocationChanged);
        const QGeoPositionInfo fix(north(0), QDateTime::currentDateTimeUtc());
        if (error < 0)
            emit source->positionUpdated(fix);
        else
            emit source->errorOccurred(QGeoPositionInfoSource::Error(error));
        QTRY_COMPARE_WITH_TIMEOUT(answered.count(), 1, TestWait::bound);
        QCOMPARE(manager.authorizationStatus(), status);
        // The answering position is the first one held.
        QCOMPARE(manager.userLocation(), error < 0 ? north(0) : QGeoCoordinate());
        if (updating) {
            emit source->positionUpdated(QGeoPositionInfo(north(5000), QDateTime::currentDateTimeUtc()));
            QTRY_COMPARE_WITH_TIMEOUT(manager.userLocation(), north(5000), TestWait::bound);
        }
        manager.startUpdatingIfAuthorized();  // a running source is not started twice
        settle(source);
        QCOMPARE(source->starts.load(), 1);
        QCOMPARE(source->stops.load(), 0);
        QCOMPARE(source->requests.load(), 0);
        QCOMPARE(scripted.sourcesMade(), 1);
    }

    // A request still unanswered is not repeated; once answered, asking again asks again, on a
    // fresh source in place of the one that refused.
    void oneRequestInFlight()
    {
        ScriptedProvider scripted;
        LocationManager manager(scripted.provider);
        QTRY_VERIFY_WITH_TIMEOUT(scripted.source(), TestWait::bound);
        QPointer<ScriptedSource> refusing = scripted.source();
        manager.requestPermission();
        manager.refreshAuthorization();
        manager.requestPermission();
        QTRY_COMPARE_WITH_TIMEOUT(refusing->starts.load(), 1, TestWait::bound);
        settle(refusing);
        QCOMPARE(refusing->starts.load(), 1);
        QCOMPARE(scripted.sourcesMade(), 1);
        emit refusing->errorOccurred(QGeoPositionInfoSource::AccessError);
        QTRY_COMPARE_WITH_TIMEOUT(manager.authorizationStatus(), LocationManager::Denied, TestWait::bound);
        manager.refreshAuthorization();  // a refusal may be lifted outside the app
        QTRY_COMPARE_WITH_TIMEOUT(scripted.sourcesMade(), 2, TestWait::bound);
        QTRY_VERIFY_WITH_TIMEOUT(refusing.isNull(), TestWait::bound);
        ScriptedSource *fresh = scripted.source();
        QTRY_COMPARE_WITH_TIMEOUT(fresh->starts.load(), 1, TestWait::bound);
        emit fresh->positionUpdated(QGeoPositionInfo(north(0), QDateTime::currentDateTimeUtc()));
        QTRY_COMPARE_WITH_TIMEOUT(manager.authorizationStatus(), LocationManager::AuthorizedAlways, TestWait::bound);
        QCOMPARE(manager.userLocation(), north(0));

        // Authorized always: refreshing asks nothing, and asking repeats the answer at once.
        QSignalSpy answered(&manager, &LocationManager::authorizationStatusChanged);
        manager.refreshAuthorization();
        QCOMPARE(answered.count(), 0);
        manager.requestPermission();
        QCOMPARE(answered.count(), 1);
        QCOMPARE(answered.at(0).at(0).value<Status>(), LocationManager::AuthorizedAlways);
        settle(fresh);
        QCOMPARE(fresh->starts.load(), 1);
        QCOMPARE(scripted.sourcesMade(), 2);
    }

    // A position the source remembers from an earlier run, repeated as it starts, shows nothing
    // about access today and is no current location.
    void rememberedPositionAnswersNothing()
    {
        const QGeoPositionInfo remembered(north(0), QDateTime::currentDateTimeUtc().addDays(-1));
        ScriptedProvider scripted(remembered);
        LocationManager manager(scripted.provider);
        QTRY_VERIFY_WITH_TIMEOUT(scripted.source(), TestWait::bound);
        QSignalSpy answered(&manager, &LocationManager::authorizationStatusChanged);
        manager.requestPermission();
        QTRY_COMPARE_WITH_TIMEOUT(scripted.source()->starts.load(), 1, TestWait::bound);
        emit scripted.source()->errorOccurred(QGeoPositionInfoSource::AccessError);  // after the repeat
        QTRY_COMPARE_WITH_TIMEOUT(answered.count(), 1, TestWait::bound);
        QCOMPARE(manager.authorizationStatus(), LocationManager::Denied);
        QVERIFY(!manager.userLocation().isValid());

        // A fresh fix equal in place but not in time is one.
        manager.refreshAuthorization();
        QTRY_COMPARE_WITH_TIMEOUT(scripted.sourcesMade(), 2, TestWait::bound);
        QTRY_COMPARE_WITH_TIMEOUT(scripted.source()->starts.load(), 1, TestWait::bound);
        emit scripted.source()->positionUpdated(QGeoPositionInfo(north(0), QDateTime::currentDateTimeUtc()));
        QTRY_COMPARE_WITH_TIMEOUT(manager.authorizationStatus(), LocationManager::AuthorizedAlways, TestWait::bound);
        QCOMPARE(manager.userLocation(), north(0));
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

    // The source is deleted on its own thread, and that thread has ended, when the holder goes.
    void sourceAndThreadEndWithTheProvider()
    {
        QPointer<ScriptedSource> source;
        QPointer<QThread> thread;
        {
            ScriptedProvider scripted;
            LocationManager manager(scripted.provider);
            QTRY_VERIFY_WITH_TIMEOUT(scripted.source(), TestWait::bound);
            source = scripted.source();
            thread = source->thread();
            QVERIFY(thread != QThread::currentThread());
            QVERIFY(thread->isRunning());
        }
        // No event loop ran since: the destruction itself waited for both.
        QVERIFY(source.isNull());
        QVERIFY(thread.isNull());
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
