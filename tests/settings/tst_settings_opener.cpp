#include "FakeSettingsProgram.h"
#include "Platform/SystemSettingsOpener.h"
#include "TestWait.h"

#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>

using Pane = SystemSettingsOpener::Pane;
Q_DECLARE_METATYPE(Pane)

class TestSettingsOpener : public QObject {
    Q_OBJECT
private slots:
    void command_data()
    {
        QTest::addColumn<QString>("desktops");
        QTest::addColumn<Pane>("pane");
        QTest::addColumn<QStringList>("command");
        const QStringList gnomeNotifications{"gnome-control-center", "notifications"};
        QTest::newRow("GNOME notifications") << "GNOME" << Pane::Notifications << gnomeNotifications;
        QTest::newRow("GNOME location") << "GNOME" << Pane::Location << QStringList{"gnome-control-center", "location"};
        QTest::newRow("ubuntu:GNOME") << "ubuntu:GNOME" << Pane::Notifications << gnomeNotifications;
        QTest::newRow("Unity location") << "Unity" << Pane::Location << QStringList{"gnome-control-center", "location"};
        QTest::newRow("any case") << "gnome" << Pane::Notifications << gnomeNotifications;
        QTest::newRow("KDE") << "KDE" << Pane::Notifications << QStringList{"systemsettings", "kcm_notifications"};
        QTest::newRow("KDE location") << "KDE" << Pane::Location << QStringList{};
        QTest::newRow("XFCE") << "XFCE" << Pane::Notifications << QStringList{"xfce4-notifyd-config"};
        QTest::newRow("Cinnamon") << "X-Cinnamon" << Pane::Notifications << QStringList{"cinnamon-settings", "notifications"};
        QTest::newRow("MATE") << "MATE" << Pane::Notifications << QStringList{"mate-notification-properties"};
        QTest::newRow("MATE location") << "MATE" << Pane::Location << QStringList{};
        // The first known entry decides, even without a location pane of its own.
        QTest::newRow("KDE:GNOME location") << "KDE:GNOME" << Pane::Location << QStringList{};
        QTest::newRow("unknown") << "Hyprland" << Pane::Notifications << QStringList{};
        QTest::newRow("empty") << "" << Pane::Notifications << QStringList{};
    }
    void command()
    {
        QFETCH(QString, desktops);
        QFETCH(Pane, pane);
        QFETCH(QStringList, command);
        QCOMPARE(SystemSettingsOpener::command(desktops, pane), command);
    }

    // The program found on PATH is started with the pane's arguments; nothing waits for it.
    void startsTheProgramOnPath_data()
    {
        QTest::addColumn<Pane>("pane");
        QTest::addColumn<QString>("arguments");
        QTest::newRow("notifications") << Pane::Notifications << "notifications";
        QTest::newRow("location") << Pane::Location << "location";
    }
    void startsTheProgramOnPath()
    {
        QFETCH(Pane, pane);
        QFETCH(QString, arguments);
        QTemporaryDir out;
        const QString record = out.filePath(QStringLiteral("args"));
        FakeSettingsProgram program(
            QStringLiteral("exec >/dev/null 2>&1 </dev/null\necho \"$@\" > '%1.tmp' && mv '%1.tmp' '%1'\nsleep 30\n")
                .arg(record).toUtf8());
        QVERIFY(program.isReady());
        QVERIFY(SystemSettingsOpener().open(pane));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), TestWait::bound);
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()).trimmed(), arguments);
    }

    // The start (a fork and an exec, which the caller would wait for) runs on another thread:
    // open() answers while the start is still held, with the program resolved on PATH.
    void startsOffTheCallingThread()
    {
        FakeSettingsProgram program("");
        QVERIFY(program.isReady());
        QSemaphore held;
        QSemaphore ended;
        std::atomic<QThread *> startThread = nullptr;
        QStringList started;
        SystemSettingsOpener opener([&](const QString &path, const QStringList &arguments) {
            startThread = QThread::currentThread();
            started = QStringList{path} + arguments;
            const bool released = held.tryAcquire(1, TestWait::bound);
            ended.release();
            return released;
        });
        const bool asked = opener.open(Pane::Location);
        held.release();  // reached only once open() has returned
        QVERIFY(asked);
        QVERIFY(ended.tryAcquire(1, TestWait::bound));
        QVERIFY(startThread.load() != QThread::currentThread());
        QCOMPARE(started, (QStringList{program.path(), QStringLiteral("location")}));
    }

    void missingProgramOrDesktopOpensNothing()
    {
        QTemporaryDir empty;
        const QByteArray oldPath = qgetenv("PATH");
        const QByteArray oldDesktop = qgetenv("XDG_CURRENT_DESKTOP");
        qputenv("PATH", empty.path().toUtf8());
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        const bool missing = SystemSettingsOpener().open(Pane::Notifications);
        qputenv("XDG_CURRENT_DESKTOP", "Hyprland");
        const bool unknown = SystemSettingsOpener().open(Pane::Notifications);
        qputenv("PATH", oldPath);
        qputenv("XDG_CURRENT_DESKTOP", oldDesktop);
        QVERIFY(!missing);
        QVERIFY(!unknown);
    }
};

QTEST_GUILESS_MAIN(TestSettingsOpener)
#include "tst_settings_opener.moc"
