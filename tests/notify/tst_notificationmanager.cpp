#include "FakeNotificationServer.h"
#include "Notifications/NotificationManager.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

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
    }

    void sendsTitleBodyAndHints()
    {
        FakeNotificationServer server;
        QVERIFY(server.isRegistered());
        NotificationManager manager(QDBusConnection::sessionBus());
        manager.send(content(QStringLiteral("es1"), QStringLiteral("Fuerte — NW TENERIFE"),
                             QStringLiteral("Magnitude 6.3, depth 12 km"), InterruptionLevel::TimeSensitive));
        manager.send(content(QStringLiteral("es2"), QStringLiteral("t2"), QStringLiteral("b2")));
        QTRY_COMPARE(server.calls().size(), 2);
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
        manager.send(content(QStringLiteral("swarm-100"), QStringLiteral("first")));
        manager.send(content(QStringLiteral("other")));
        // Sent before the first one's id is known: it still has to replace it.
        manager.send(content(QStringLiteral("swarm-100"), QStringLiteral("second")));
        QTRY_COMPARE(server.calls().size(), 3);
        const auto first = server.calls().at(0);
        const auto second = server.calls().at(2);
        QCOMPARE(first.summary, QStringLiteral("first"));
        QCOMPARE(second.summary, QStringLiteral("second"));
        QCOMPARE(second.replacesId, first.returnedId);
        QCOMPARE(server.calls().at(1).replacesId, 0u);

        manager.send(content(QStringLiteral("swarm-100"), QStringLiteral("third")));
        QTRY_COMPARE(server.calls().size(), 4);
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
        manager.send(content(QStringLiteral("id"), raw, raw));
        QTRY_COMPARE(server.calls().size(), 1);
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
            QTRY_VERIFY(answer.has_value());
            QCOMPARE(*answer, true);
            QCOMPARE(manager.authorizationStatus(), NotificationManager::AuthorizationStatus::Authorized);
        }
        answer.reset();
        manager.requestAuthorization(this, [&](bool granted) { answer = granted; });
        QTRY_VERIFY(answer.has_value());
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
        QVERIFY(status.wait());
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
            manager.send(content(QStringLiteral("id%1").arg(i)));
        QVERIFY(timer.elapsed() < 100);
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 1000);
        QCOMPARE(*answer, false);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QTest::qWait(50);  // the dropped sends' answers come and go without harm

        if (!connected)
            return;
        // A server that appears later is found by the next send.
        FakeNotificationServer server;
        manager.send(content(QStringLiteral("late")));
        QTRY_COMPARE(server.calls().size(), 1);
        QCOMPARE(server.calls().at(0).summary, QStringLiteral("T"));
    }
};

QTEST_GUILESS_MAIN(NotificationManagerTest)
#include "tst_notificationmanager.moc"
