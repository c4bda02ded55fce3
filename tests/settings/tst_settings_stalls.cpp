// Nothing the settings screen starts holds the main thread: each case runs under a 5 ms watch
// timer and no interval between its ticks may reach a second (a blocked call shows as seconds).
#include "StallCases.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QtTest>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

class TestSettingsStalls : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        prepareStallEnvironment();  // before the first bus connection: libdbus reads the addresses once
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        QStandardPaths::setTestModeEnabled(true);
        m_engine.addImportPath(QStringLiteral("qrc:/"));
    }

    void noStall_data()
    {
        QTest::addColumn<int>("index");
        for (size_t i = 0; i < stallCases().size(); ++i)
            QTest::newRow(qPrintable(stallCases()[i].name)) << int(i);
    }
    void noStall()
    {
        QFETCH(int, index);
        const StallResult result = stallCases()[size_t(index)].run(m_engine);
        QVERIFY2(result.longestMs < 1000.0, qPrintable(QStringLiteral("held for %1 ms").arg(result.longestMs)));
        QVERIFY2(result.problem.isEmpty(), qPrintable(result.problem));
    }

private:
    QQmlEngine m_engine;
};

QTEST_MAIN(TestSettingsStalls)
#include "tst_settings_stalls.moc"
