#include "FakeNotificationServer.h"
#include "Notifications/NotificationManager.h"
#include "Platform/Localization.h"
#include "TestWait.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

Q_DECLARE_METATYPE(EarthquakeNotificationEvent)
Q_DECLARE_METATYPE(InterruptionLevel)

namespace {
const QDateTime fixedNow = QDateTime::fromSecsSinceEpoch(1760000000, Qt::UTC).addMSecs(999);

EarthquakePtr quake(const QString &id, double magnitude, double depth, const QString &location)
{
    return std::make_shared<Earthquake>(id, fixedNow.addSecs(-60), 28.1, -16.5, depth, magnitude, QStringLiteral("mbLg"),
                                        std::nullopt, location, fixedNow);
}
}  // namespace

class NotificationManagerTest : public QObject {
    Q_OBJECT
private:
    static NotificationContent content(const QString &id, const QString &title = QStringLiteral("T"),
                                       const QString &body = QStringLiteral("B"),
                                       InterruptionLevel level = InterruptionLevel::Active)
    {
        return NotificationContent{id, title, body, level};
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        Localization::setLocaleForTesting(QLocale::c());  // the default texts
    }

    void alertContent_data()
    {
        QTest::addColumn<EarthquakeNotificationEvent>("alert");
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<InterruptionLevel>("level");
        const auto active = InterruptionLevel::Active;
        const auto urgent = InterruptionLevel::TimeSensitive;
        using E = EarthquakeNotificationEvent;
        QTest::newRow("strong is time-sensitive")
            << E::magnitude(quake("es1", 6.3, 12.8, "NW TENERIFE")) << "es1" << QString::fromUtf8("Fuerte — NW TENERIFE")
            << "Magnitude 6.3, depth 12 km" << urgent;
        QTest::newRow("moderate is active, rounding to a tenth")
            << E::magnitude(quake("es2", 5.96, 0.9, "HIERRO")) << "es2" << QString::fromUtf8("Moderado — HIERRO")
            << "Magnitude 6.0, depth 0 km" << active;
        QTest::newRow("4.26 at 12.8 km") << E::magnitude(quake("es3", 4.26, 12.8, "ATLÁNTICO-CANARIAS")) << "es3"
                                         << QString::fromUtf8("Moderado — ATLÁNTICO-CANARIAS")
                                         << "Magnitude 4.3, depth 12 km" << active;
        QTest::newRow("major") << E::magnitude(quake("es4", 7.0, 30, "GRAN CANARIA")) << "es4"
                               << QString::fromUtf8("Muy Fuerte — GRAN CANARIA") << "Magnitude 7.0, depth 30 km" << urgent;
        QTest::newRow("non-finite depth shows 0") << E::magnitude(quake("es5", 1.0, qQNaN(), "X")) << "es5"
                                                  << QString::fromUtf8("Micro — X") << "Magnitude 1.0, depth 0 km"
                                                  << active;
        QTest::newRow("proximity under a kilometre")
            << E::proximity(quake("es6", 2.04, 5, "NE TENERIFE"), 0.4) << "proximity-es6"
            << QString::fromUtf8("Earthquake near you — NE TENERIFE") << "Magnitude 2.0 at 0 km from your location"
            << active;
        QTest::newRow("proximity, distance truncated")
            << E::proximity(quake("es7", 6.5, 5, "LA PALMA"), 99.99) << "proximity-es7"
            << QString::fromUtf8("Earthquake near you — LA PALMA") << "Magnitude 6.5 at 99 km from your location"
            << active;
        QTest::newRow("swarm in minutes") << E::swarm(12, 10) << "swarm-1760000000" << "Seismic swarm detected"
                                          << "12 earthquakes in the last 10 min" << urgent;
        QTest::newRow("swarm of an hour") << E::swarm(30, 60) << "swarm-1760000000" << "Seismic swarm detected"
                                          << "30 earthquakes in the last 1 h" << urgent;
        QTest::newRow("swarm hours truncated") << E::swarm(100, 90) << "swarm-1760000000" << "Seismic swarm detected"
                                               << "100 earthquakes in the last 1 h" << urgent;
        QTest::newRow("swarm of a day") << E::swarm(1000, 1440) << "swarm-1760000000" << "Seismic swarm detected"
                                        << "1000 earthquakes in the last 24 h" << urgent;
    }
    void alertContent()
    {
        QFETCH(EarthquakeNotificationEvent, alert);
        QFETCH(QString, identifier);
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(InterruptionLevel, level);
        const NotificationContent c = NotificationManager::content(alert, fixedNow);
        QCOMPARE(c.identifier, identifier);
        QCOMPARE(c.title, title);
        QCOMPARE(c.body, body);
        QCOMPARE(c.level, level);
    }

    // The three kinds of alert as the server receives them, and replacement by identifier.
    void alertsReachTheServer()
    {
        FakeNotificationServer server;
        NotificationManager manager(QDBusConnection::sessionBus(), [] { return fixedNow; });
        const EarthquakePtr strong = quake("es10", 6.3, 12.8, "NW TENERIFE");
        manager.send(EarthquakeNotificationEvent::magnitude(strong));
        manager.send(EarthquakeNotificationEvent::proximity(strong, 3.7));
        manager.send(EarthquakeNotificationEvent::swarm(10, 10));
        manager.send(EarthquakeNotificationEvent::swarm(30, 60));  // same second: replaces the first swarm
        QTRY_COMPARE_WITH_TIMEOUT(server.calls().size(), 4, TestWait::bound);
        const auto &calls = server.calls();
        QCOMPARE(calls.at(0).summary, QString::fromUtf8("Fuerte — NW TENERIFE"));
        QCOMPARE(calls.at(0).body, QStringLiteral("Magnitude 6.3, depth 12 km"));
        QCOMPARE(calls.at(0).hints.value(QStringLiteral("urgency")).toInt(), 2);
        QCOMPARE(calls.at(1).summary, QString::fromUtf8("Earthquake near you — NW TENERIFE"));
        QCOMPARE(calls.at(1).body, QStringLiteral("Magnitude 6.3 at 3 km from your location"));
        QCOMPARE(calls.at(1).hints.value(QStringLiteral("urgency")).toInt(), 1);
        QCOMPARE(calls.at(1).replacesId, 0u);  // never shares an identifier with the magnitude alert
        QCOMPARE(calls.at(2).body, QStringLiteral("10 earthquakes in the last 10 min"));
        QCOMPARE(calls.at(2).hints.value(QStringLiteral("urgency")).toInt(), 2);
        QCOMPARE(calls.at(2).replacesId, 0u);
        QCOMPARE(calls.at(3).body, QStringLiteral("30 earthquakes in the last 1 h"));
        QCOMPARE(calls.at(3).replacesId, calls.at(2).returnedId);
        for (const auto &call : calls) {
            QCOMPARE(call.appName, QStringLiteral("sismovantaquelorin"));
            QCOMPARE(call.hints.value(QStringLiteral("sound-name")).toString(), QStringLiteral("message-new-instant"));
        }

        // The same event alerted again (another refresh, another window) replaces its notification.
        manager.send(EarthquakeNotificationEvent::magnitude(strong));
        QTRY_COMPARE_WITH_TIMEOUT(server.calls().size(), 5, TestWait::bound);
        QCOMPARE(server.calls().at(4).replacesId, calls.at(0).returnedId);
    }

    void sendsTitleBodyAndHints()
    {
        FakeNotificationServer server;
        QVERIFY(server.isRegistered());
        NotificationManager manager(QDBusConnection::sessionBus());
        manager.post(content(QStringLiteral("es1"), QStringLiteral("Fuerte — NW TENERIFE"),
                             QStringLiteral("Magnitude 6.3, depth 12 km"), InterruptionLevel::TimeSensitive));
        manager.post(content(QStringLiteral("es2"), QStringLiteral("t2"), QStringLiteral("b2")));
        QTRY_COMPARE_WITH_TIMEOUT(server.calls().size(), 2, TestWait::bound);
        const auto &first = server.calls().at(0);
        QCOMPARE(first.appName, QStringLiteral("sismovantaquelorin"));
        QCOMPARE(first.replacesId, 0u);
        QCOMPARE(first.summary, QStringLiteral("Fuerte — NW TENERIFE"));
        QCOMPARE(first.body, QStringLiteral("Magnitude 6.3, depth 12 km"));
        QCOMPARE(first.hints.value(QStringLiteral("urgency")).toInt(), 2);
        QCOMPARE(first.hints.value(QStringLiteral("urgency")).metaType(), QMetaType::fromType<uchar>());
        QCOMPARE(first.hints.value(QStringLiteral("sound-name")).toString(), QStringLiteral("message-new-instant"));
        QCOMPARE(server.calls().at(1).hints.value(QStringLiteral("urgency")).toInt(), 1);
        QCOMPARE(server.calls().at(1).replacesId, 0u);
        // One question about capabilities serves every later send.
        QCOMPARE(server.capabilityQueries(), 1);
    }

    void sameIdentifierReplacesEarlierNotification()
    {
        FakeNotificationServer server;
        NotificationManager manager(QDBusConnection::sessionBus());
        manager.post(content(QStringLiteral("swarm-100"), QStringLiteral("first")));
        manager.post(content(QStringLiteral("other")));
        // Sent before the first one's id is known: it still has to replace it.
        manager.post(content(QStringLiteral("swarm-100"), QStringLiteral("second")));
        QTRY_COMPARE_WITH_TIMEOUT(server.calls().size(), 3, TestWait::bound);
        const auto first = server.calls().at(0);
        const auto second = server.calls().at(2);
        QCOMPARE(first.summary, QStringLiteral("first"));
        QCOMPARE(second.summary, QStringLiteral("second"));
        QCOMPARE(second.replacesId, first.returnedId);
        QCOMPARE(server.calls().at(1).replacesId, 0u);

        manager.post(content(QStringLiteral("swarm-100"), QStringLiteral("third")));
        QTRY_COMPARE_WITH_TIMEOUT(server.calls().size(), 4, TestWait::bound);
        QCOMPARE(server.calls().at(3).replacesId, first.returnedId);
    }

    void bodyMarkupIsEscapedOnlyWhenServerReadsIt_data()
    {
        QTest::addColumn<bool>("markup");
        QTest::addColumn<QString>("expectedBody");
        QTest::addColumn<QString>("expectedTitle");
        const QString raw = QStringLiteral("<b>S & N</b> \"x\"");
        QTest::newRow("plain server") << false << raw << raw;
        QTest::newRow("markup server") << true << QStringLiteral("&lt;b&gt;S &amp; N&lt;/b&gt; \"x\"") << raw;
    }
    void bodyMarkupIsEscapedOnlyWhenServerReadsIt()
    {
        QFETCH(bool, markup);
        QFETCH(QString, expectedBody);
        QFETCH(QString, expectedTitle);
        FakeNotificationServer server(markup);
        NotificationManager manager(QDBusConnection::sessionBus());
        const QString raw = QStringLiteral("<b>S & N</b> \"x\"");
        manager.post(content(QStringLiteral("id"), raw, raw));
        QTRY_COMPARE_WITH_TIMEOUT(server.calls().size(), 1, TestWait::bound);
        QCOMPARE(server.calls().at(0).body, expectedBody);
        QCOMPARE(server.calls().at(0).summary, expectedTitle);
    }

    void authorizationFollowsServerPresence()
    {
        NotificationManager manager(QDBusConnection::sessionBus());
        QCOMPARE(manager.authorizationStatus(), NotificationManager::AuthorizationStatus::NotDetermined);
        std::optional<bool> answer;
        {
            FakeNotificationServer server;
            manager.requestAuthorization(this, [&](bool granted) { answer = granted; });
            QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), TestWait::bound);
            QCOMPARE(*answer, true);
            QCOMPARE(manager.authorizationStatus(), NotificationManager::AuthorizationStatus::Authorized);
        }
        answer.reset();
        manager.requestAuthorization(this, [&](bool granted) { answer = granted; });
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), TestWait::bound);
        QCOMPARE(*answer, false);
        QCOMPARE(manager.authorizationStatus(), NotificationManager::AuthorizationStatus::Denied);
    }

    void answerForDestroyedContextIsDropped()
    {
        FakeNotificationServer server;
        NotificationManager manager(QDBusConnection::sessionBus());
        bool called = false;
        auto context = std::make_unique<QObject>();
        manager.requestAuthorization(context.get(), [&](bool) { called = true; });
        context.reset();
        QSignalSpy status(&manager, &NotificationManager::authorizationStatusChanged);
        QVERIFY(status.wait(TestWait::bound));
        QVERIFY(!called);
    }

    void busWithoutServerCostsNoTime_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::newRow("session bus, no server") << true;
        QTest::newRow("no bus at all") << false;
    }
    void busWithoutServerCostsNoTime()
    {
        QFETCH(bool, connected);
        const QDBusConnection bus = connected ? QDBusConnection::sessionBus()
                                              : QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                                              QStringLiteral("no-bus"));
        QCOMPARE(bus.isConnected(), connected);
        NotificationManager manager(bus);
        QElapsedTimer timer;
        timer.start();
        std::optional<bool> answer;
        manager.requestAuthorization(this, [&](bool granted) { answer = granted; });
        for (int i = 0; i < 3; ++i)
            manager.post(content(QStringLiteral("id%1").arg(i)));
        QVERIFY(timer.elapsed() < 1000);  // posting never waits for the bus
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), TestWait::bound);
        QCOMPARE(*answer, false);
        // Answered well before the 3 s call timeout: nothing waited it out.
        QVERIFY2(timer.elapsed() < 2500, qPrintable(QString::number(timer.elapsed())));
        QTest::qWait(50);  // the dropped sends' answers come and go without harm

        if (!connected)
            return;
        // A server that appears later is found by the next send.
        FakeNotificationServer server;
        manager.post(content(QStringLiteral("late")));
        QTRY_COMPARE_WITH_TIMEOUT(server.calls().size(), 1, TestWait::bound);
        QCOMPARE(server.calls().at(0).summary, QStringLiteral("T"));
    }
};

QTEST_GUILESS_MAIN(NotificationManagerTest)
#include "tst_notificationmanager.moc"
