#include "FakeSettingsPortal.h"
#include "Platform/DesktopAppearance.h"
#include "TestWait.h"

#include <QSignalSpy>
#include <QTest>

// Runs on a private session bus (dbus-run-session), where the fake portal owns the portal's name.
class TestDesktopAppearance : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
    }

    void startupRead_data()
    {
        QTest::addColumn<bool>("hasReadOne");
        QTest::addColumn<int>("stored");  // -1: the portal does not know the key
        QTest::addColumn<int>("expected");
        QTest::newRow("dark") << true << 1 << int(DesktopAppearance::Dark);
        QTest::newRow("light") << true << 2 << int(DesktopAppearance::Light);
        QTest::newRow("no preference") << true << 0 << int(DesktopAppearance::NoPreference);
        QTest::newRow("a value outside the set") << true << 7 << int(DesktopAppearance::NoPreference);
        QTest::newRow("key unknown to the portal") << true << -1 << int(DesktopAppearance::NoPreference);
        QTest::newRow("portal with Read only, dark") << false << 1 << int(DesktopAppearance::Dark);
        QTest::newRow("portal with Read only, light") << false << 2 << int(DesktopAppearance::Light);
    }
    void startupRead()
    {
        QFETCH(bool, hasReadOne);
        QFETCH(int, stored);
        QFETCH(int, expected);
        FakeSettingsPortal portal(hasReadOne);
        QVERIFY(portal.isRegistered());
        if (stored >= 0)
            portal.setColorScheme(uint(stored));

        DesktopAppearance appearance(QDBusConnection::sessionBus());
        // The portal lives in this thread: a blocking call would not have returned by now.
        QCOMPARE(appearance.colorScheme(), DesktopAppearance::NoPreference);
        QTRY_COMPARE_WITH_TIMEOUT(portal.reads(), 1, TestWait::bound);  // one read, by ReadOne or (on an older portal) Read
        QTRY_COMPARE_WITH_TIMEOUT(int(appearance.colorScheme()), expected, TestWait::bound);
    }

    void followsChanges()
    {
        FakeSettingsPortal portal;
        QVERIFY(portal.isRegistered());
        portal.setColorScheme(2u);
        DesktopAppearance appearance(QDBusConnection::sessionBus());
        QTRY_COMPARE_WITH_TIMEOUT(appearance.colorScheme(), DesktopAppearance::Light, TestWait::bound);

        QSignalSpy changed(&appearance, &DesktopAppearance::colorSchemeChanged);
        portal.changeColorScheme(1);
        QTRY_COMPARE_WITH_TIMEOUT(appearance.colorScheme(), DesktopAppearance::Dark, TestWait::bound);
        QCOMPARE(changed.count(), 1);

        // Other settings are someone else's business.
        portal.changeOther(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("accent-color"), 2);
        portal.changeOther(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("color-scheme"), 2);
        portal.changeColorScheme(0);
        QTRY_COMPARE_WITH_TIMEOUT(appearance.colorScheme(), DesktopAppearance::NoPreference, TestWait::bound);
        QCOMPARE(changed.count(), 2);
    }

    // Without a portal on the bus the answer is an error: the scheme stays without preference
    // and a portal that appears later is still followed through its signal.
    void noPortal()
    {
        DesktopAppearance appearance(QDBusConnection::sessionBus());
        QSignalSpy changed(&appearance, &DesktopAppearance::colorSchemeChanged);
        FakeSettingsPortal portal;
        QVERIFY(portal.isRegistered());
        portal.changeColorScheme(1);
        QTRY_COMPARE_WITH_TIMEOUT(appearance.colorScheme(), DesktopAppearance::Dark, TestWait::bound);
        QCOMPARE(changed.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDesktopAppearance)
#include "tst_desktopappearance.moc"
