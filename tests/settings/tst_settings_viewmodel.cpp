#include "SettingsFixture.h"

#include "Notifications/NotificationFilter.h"
#include "Platform/Localization.h"
#include "TestWait.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>
#include <optional>

using AuthStatus = NotificationManager::AuthorizationStatus;
using LocationStatus = LocationManager::AuthorizationStatus;

namespace {
enum class Server { Absent, Present, Mute };

std::unique_ptr<FakeNotificationServer> serverFor(Server kind)
{
    if (kind == Server::Absent)
        return nullptr;
    auto server = std::make_unique<FakeNotificationServer>();
    server->setMute(kind == Server::Mute);
    return server;
}

// Waits until the view model has no status read outstanding and nothing changes for a while.
void settle(SettingsViewModel *vm, int quietMs = 300)
{
    QSignalSpy status(vm, &SettingsViewModel::systemAuthStatusChanged);
    while (status.wait(quietMs)) {
    }
}
}  // namespace

Q_DECLARE_METATYPE(Server)

class TestSettingsViewModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        Localization::setLocaleForTesting(QLocale::c());  // the default texts
    }

    // Switching alerts on asks for permission; a refusal (no server, or one that never answers
    // within the timeout) switches them back off. Status reads: one at the switch, the request,
    // one after the answer, and one more when a refusal switches alerts off.
    void masterSwitch_data()
    {
        QTest::addColumn<Server>("server");
        QTest::addColumn<bool>("finalEnabled");
        QTest::addColumn<AuthStatus>("finalStatus");
        QTest::addColumn<int>("capabilityQueries");
        QTest::newRow("server answers") << Server::Present << true << AuthStatus::Authorized << 3;
        QTest::newRow("no server") << Server::Absent << false << AuthStatus::Denied << 0;
        QTest::newRow("mute server") << Server::Mute << false << AuthStatus::Denied << 4;
    }
    void masterSwitch()
    {
        QFETCH(Server, server);
        QFETCH(bool, finalEnabled);
        QFETCH(AuthStatus, finalStatus);
        QFETCH(int, capabilityQueries);
        const auto bus = serverFor(server);
        SettingsFixture f;
        SettingsViewModel *vm = f.viewModel.get();
        QCOMPARE(vm->systemAuthStatus(), AuthStatus::NotDetermined);

        vm->setNotificationsEnabled(true);
        QVERIFY(f.settings->isEnabled());  // on at once, before the answer
        QTRY_VERIFY_WITH_TIMEOUT(vm->systemAuthStatus() != AuthStatus::NotDetermined, TestWait::bound);
        settle(vm, server == Server::Mute ? 3500 : 300);
        QCOMPARE(f.settings->isEnabled(), finalEnabled);
        QCOMPARE(vm->systemAuthStatus(), finalStatus);
        // The warning needs the switch on: a refusal that switched it off shows none.
        QVERIFY(!vm->showsNotificationWarning());
        if (bus)
            QCOMPARE(bus->capabilityQueries(), capabilityQueries);

        if (server != Server::Present)
            return;
        // Off: one read, no request.
        vm->setNotificationsEnabled(false);
        settle(vm);
        QCOMPARE(bus->capabilityQueries(), capabilityQueries + 1);
        QVERIFY(!f.settings->isEnabled());
    }

    // The store announces every assignment: assigning the value it holds starts nothing.
    void repeatedValueStartsNothing()
    {
        FakeNotificationServer bus;
        SettingsFixture f;
        f.viewModel->setNotificationsEnabled(false);
        f.settings->setIsEnabled(false);
        QTest::qWait(200);
        QCOMPARE(bus.capabilityQueries(), 0);
        QCOMPARE(f.viewModel->systemAuthStatus(), AuthStatus::NotDetermined);
    }

    void notificationWarningRow_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("read");  // -1: not read yet, else server present (1) or not (0)
        QTest::addColumn<bool>("warning");
        QTest::newRow("on, not read") << true << -1 << false;
        QTest::newRow("on, denied") << true << 0 << true;
        QTest::newRow("on, authorized") << true << 1 << false;
        QTest::newRow("off, not read") << false << -1 << false;
        QTest::newRow("off, denied") << false << 0 << false;
        QTest::newRow("off, authorized") << false << 1 << false;
    }
    void notificationWarningRow()
    {
        QFETCH(bool, enabled);
        QFETCH(int, read);
        QFETCH(bool, warning);
        const auto bus = serverFor(read == 1 ? Server::Present : Server::Absent);
        SettingsFixture f(LocationManager::NotDetermined,
                          [&](UserDefaults &d) { d.setBool(QStringLiteral("notificationsEnabled"), enabled); });
        if (read >= 0) {
            QSignalSpy status(f.viewModel.get(), &SettingsViewModel::systemAuthStatusChanged);
            f.viewModel->appear();
            QVERIFY(status.wait(TestWait::bound));
        }
        QCOMPARE(f.viewModel->showsNotificationWarning(), warning);
    }

    // The switch-back belongs to the settings: it happens after the window has closed too,
    // while the closed screen's status read is dropped.
    void refusalAfterTheWindowClosed()
    {
        SettingsFixture f;
        f.viewModel->setNotificationsEnabled(true);
        f.close();
        QTRY_VERIFY_WITH_TIMEOUT(!f.settings->isEnabled(), TestWait::bound);
        UserDefaults reread(f.path);
        f.defaults->sync();
        QCOMPARE(reread.boolValue(QStringLiteral("notificationsEnabled")), false);
    }

    // The newest switch-on decides: an older refusal arriving late switches nothing off.
    void rapidSwitchingEndsInTheLastAnswer()
    {
        FakeNotificationServer bus;
        SettingsFixture f;
        bus.setMute(true);
        f.viewModel->setNotificationsEnabled(true);   // answered by the timeout: refused
        QTRY_COMPARE_WITH_TIMEOUT(bus.capabilityQueries(), 2, TestWait::bound);
        f.viewModel->setNotificationsEnabled(false);
        bus.setMute(false);
        f.viewModel->setNotificationsEnabled(true);   // answered at once: granted
        QTRY_COMPARE_WITH_TIMEOUT(f.viewModel->systemAuthStatus(), AuthStatus::Authorized, TestWait::bound);
        QTest::qWait(NotificationManager::callTimeoutMs + 500);  // the muted calls time out
        QVERIFY(f.settings->isEnabled());
    }

    void appearReadsTheStatusAndWritesNothing()
    {
        FakeNotificationServer bus;
        SettingsFixture f(LocationManager::Denied, [](UserDefaults &d) {
            d.setBool(QStringLiteral("notificationsEnabled"), true);
            d.setString(QStringLiteral("settings.refreshInterval"), QStringLiteral("30min"));
        });
        f.close();
        const QByteArray before = f.fileBytes();
        QSignalSpy interval(f.settings.get(), &NotificationSettings::refreshIntervalChanged);
        QSignalSpy enabled(f.settings.get(), &NotificationSettings::isEnabledChanged);
        SettingsViewModel *vm = f.open();
        vm->appear();
        vm->activate();  // the window's first activation reads nothing more
        QTRY_COMPARE_WITH_TIMEOUT(vm->systemAuthStatus(), AuthStatus::Authorized, TestWait::bound);
        QCOMPARE(bus.capabilityQueries(), 1);
        vm->activate();  // later activations read again
        QTRY_COMPARE_WITH_TIMEOUT(bus.capabilityQueries(), 2, TestWait::bound);
        settle(vm);
        f.close();
        QCOMPARE(interval.count(), 0);
        QCOMPARE(enabled.count(), 0);
        QCOMPARE(f.fileBytes(), before);
    }

    // The proximity switch: status x wanted value -> stored value, requests, update starts, rows.
    void proximitySwitch_data()
    {
        QTest::addColumn<LocationStatus>("status");
        QTest::addColumn<bool>("wanted");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("starts");
        QTest::addColumn<bool>("picker");
        QTest::addColumn<bool>("warning");
        QTest::newRow("not determined, on") << LocationManager::NotDetermined << true << true << 1 << 0 << true << false;
        QTest::newRow("denied, on") << LocationManager::Denied << true << false << 0 << 0 << false << false;
        QTest::newRow("restricted, on") << LocationManager::Restricted << true << false << 0 << 0 << false << false;
        QTest::newRow("always, on") << LocationManager::AuthorizedAlways << true << true << 0 << 1 << true << false;
        QTest::newRow("when in use, on") << LocationManager::AuthorizedWhenInUse << true << true << 0 << 0 << true << false;
        QTest::newRow("not determined, off") << LocationManager::NotDetermined << false << false << 0 << 0 << false << false;
        QTest::newRow("denied, off") << LocationManager::Denied << false << false << 0 << 0 << false << false;
        QTest::newRow("restricted, off") << LocationManager::Restricted << false << false << 0 << 0 << false << false;
        QTest::newRow("always, off") << LocationManager::AuthorizedAlways << false << false << 0 << 0 << false << false;
        QTest::newRow("when in use, off") << LocationManager::AuthorizedWhenInUse << false << false << 0 << 0 << false << false;
    }
    void proximitySwitch()
    {
        QFETCH(LocationStatus, status);
        QFETCH(bool, wanted);
        QFETCH(bool, stored);
        QFETCH(int, requests);
        QFETCH(int, starts);
        QFETCH(bool, picker);
        QFETCH(bool, warning);
        SettingsFixture f(status);
        f.viewModel->setLocationNotificationsEnabled(wanted);
        QCOMPARE(f.settings->locationNotificationsEnabled(), stored);
        QCOMPARE(f.provider->authorizationRequests, requests);
        QCOMPARE(f.provider->updateStarts, starts);
        QCOMPARE(f.viewModel->showsRadiusPicker(), picker);
        QCOMPARE(f.viewModel->showsLocationWarning(), warning);
    }

    // Stored as on, then refused (at once or later): the warning replaces the picker.
    void locationRefusedWhileOn()
    {
        SettingsFixture f;
        f.viewModel->setLocationNotificationsEnabled(true);
        QSignalSpy rows(f.viewModel.get(), &SettingsViewModel::warningsChanged);
        f.provider->answer(LocationManager::Denied);
        QVERIFY(rows.count() > 0);
        QVERIFY(f.settings->locationNotificationsEnabled());
        QVERIFY(f.viewModel->showsLocationWarning());
        QVERIFY(!f.viewModel->showsRadiusPicker());
        f.viewModel->openLocationSettings();
        f.viewModel->openSystemSettings();
        QCOMPARE(f.opener.opened, (QList<SystemSettingsOpener::Pane>{SystemSettingsOpener::Pane::Location,
                                                                      SystemSettingsOpener::Pane::Notifications}));
    }

    // Nothing reports a permission changed outside the app: showing or activating the screen
    // asks again, only while location alerts are on and not authorized always.
    void locationAskedWhenShown_data()
    {
        QTest::addColumn<bool>("alertsOn");
        QTest::addColumn<LocationStatus>("status");
        QTest::addColumn<int>("requests");
        QTest::newRow("on, denied") << true << LocationManager::Denied << 2;
        QTest::newRow("on, restricted") << true << LocationManager::Restricted << 2;
        QTest::newRow("on, not determined") << true << LocationManager::NotDetermined << 2;
        QTest::newRow("on, always") << true << LocationManager::AuthorizedAlways << 0;
        QTest::newRow("off, denied") << false << LocationManager::Denied << 0;
        QTest::newRow("off, not determined") << false << LocationManager::NotDetermined << 0;
    }
    void locationAskedWhenShown()
    {
        QFETCH(bool, alertsOn);
        QFETCH(LocationStatus, status);
        QFETCH(int, requests);
        SettingsFixture f(status, [&](UserDefaults &d) { d.setBool(QStringLiteral("settings.locationEnabled"), alertsOn); });
        QCOMPARE(f.provider->authorizationRequests, 0);  // building the screen asks nothing
        f.viewModel->appear();
        f.viewModel->activate();
        QCOMPARE(f.provider->authorizationRequests, requests);
    }

    // Radius: the four tags, 100 the second; a stored value that is no tag stays as it is.
    void radiusValues_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<double>("radius");
        QTest::addColumn<int>("segment");
        QTest::newRow("absent") << QVariant() << 100.0 << 1;
        QTest::newRow("200") << QVariant(200.0) << 200.0 << 2;
        QTest::newRow("zero") << QVariant(0.0) << 100.0 << 1;
        QTest::newRow("text") << QVariant(QStringLiteral("far")) << 100.0 << 1;
        QTest::newRow("nan") << QVariant(QStringLiteral("nan")) << 100.0 << 1;
        QTest::newRow("nan double") << QVariant(std::numeric_limits<double>::quiet_NaN()) << 100.0 << 1;
        QTest::newRow("nan float") << QVariant(std::numeric_limits<float>::quiet_NaN()) << 100.0 << 1;
        QTest::newRow("infinite double") << QVariant(std::numeric_limits<double>::infinity()) << 100.0 << 1;
        QTest::newRow("75") << QVariant(75.0) << 75.0 << -1;
        QTest::newRow("-5") << QVariant(-5.0) << -5.0 << -1;
    }
    void radiusValues()
    {
        QFETCH(QVariant, stored);
        QFETCH(double, radius);
        QFETCH(int, segment);
        SettingsFixture f(LocationManager::NotDetermined, [&](UserDefaults &d) {
            if (stored.isValid())
                d.setValue(QStringLiteral("settings.locationRadiusKm"), stored);
        });
        QCOMPARE(f.settings->locationRadiusKm(), radius);
        const QVariantList choices = SettingsViewModel::radiusChoices();
        QStringList texts;
        int found = -1;
        for (int i = 0; i < choices.size(); ++i) {
            texts << choices[i].toMap().value(QStringLiteral("text")).toString();
            if (choices[i].toMap().value(QStringLiteral("value")).toDouble() == radius)
                found = i;
        }
        QCOMPARE(texts, (QStringList{"50 km", "100 km", "200 km", "500 km"}));
        QCOMPARE(found, segment);
        f.viewModel->setLocationRadiusKm(choices[2].toMap().value(QStringLiteral("value")).toDouble());
        QCOMPARE(f.settings->locationRadiusKm(), 200.0);
    }

    void magnitudeFooter_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<bool>("byMagnitude");
        QTest::addColumn<QString>("footer");
        const QString text = QStringLiteral("You will receive a notification for earthquakes of magnitude %1 or higher.");
        QTest::newRow("micro") << int(MagnitudeCategory::Micro) << true << text.arg(QStringLiteral("< 2.0"));
        QTest::newRow("moderate") << int(MagnitudeCategory::Moderate) << true << text.arg(QStringLiteral("4.0 – 5.9"));
        QTest::newRow("major") << int(MagnitudeCategory::Major) << true << text.arg(QStringLiteral("≥ 7.0"));
        QTest::newRow("by magnitude off") << int(MagnitudeCategory::Moderate) << false << QString();
    }
    void magnitudeFooter()
    {
        QFETCH(int, category);
        QFETCH(bool, byMagnitude);
        QFETCH(QString, footer);
        SettingsFixture f;
        QSignalSpy changed(f.viewModel.get(), &SettingsViewModel::magnitudeFooterChanged);
        f.viewModel->setGlobalMagnitudeCategory(category);
        f.viewModel->setGlobalMagnitudeEnabled(byMagnitude);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(f.viewModel->magnitudeFooter(), footer);
    }

    void refreshFooter()
    {
        SettingsFixture f;
        const QString manual = QStringLiteral("Las actualizaciones se realizarán únicamente de forma manual.");
        const QString other = QStringLiteral("El sistema puede ajustar la frecuencia real para optimizar la batería.");
        QStringList menu;
        for (const QVariant &choice : SettingsViewModel::refreshChoices()) {
            const QVariantMap row = choice.toMap();
            menu << row.value(QStringLiteral("text")).toString();
            f.viewModel->setRefreshInterval(row.value(QStringLiteral("value")).toInt());
            QCOMPARE(f.viewModel->refreshFooter(), f.settings->refreshInterval() == RefreshInterval::Disabled ? manual : other);
        }
        QCOMPARE(menu, (QStringList{"Manual", "5 minutes", "10 minutes", "30 minutes", "1 hour"}));
        QCOMPARE(f.settings->refreshInterval(), RefreshInterval::OneHour);
    }

    void magnitudePickerRows()
    {
        const QVariantList rows = SettingsViewModel::magnitudeChoices();
        QStringList texts;
        for (int i = 0; i < rows.size(); ++i) {
            const QVariantMap row = rows[i].toMap();
            texts << row.value(QStringLiteral("text")).toString();
            QCOMPARE(row.value(QStringLiteral("value")).toInt(), i);
            QCOMPARE(row.value(QStringLiteral("color")).value<QColor>(), MagnitudeCategory::allCases()[i].color());
        }
        QCOMPARE(texts, (QStringList{"Micro (< 2.0)", "Leve (2.0 – 3.9)", "Moderado (4.0 – 5.9)", "Fuerte (6.0 – 6.9)",
                                     "Muy Fuerte (≥ 7.0)"}));
    }

    // A table text with a stray "%@" or markup is shown as it is, never filled from elsewhere.
    void pickerRowPatternFromTheTable()
    {
        Localization::setTableForTesting({{QStringLiteral("en"), {{QStringLiteral("%@ (%@)"), QStringLiteral("<b>%@</b> %@ %@")}}}});
        Localization::setLocaleForTesting(QLocale(QLocale::English));
        const QString first = SettingsViewModel::magnitudeChoices().first().toMap().value(QStringLiteral("text")).toString();
        Localization::setTableForTesting({});
        Localization::setLocaleForTesting(QLocale::c());
        QCOMPARE(first, QStringLiteral("<b>Micro</b> < 2.0 "));
    }

    // Each rule text names a count and a window that the alert filter's swarm rules fire on.
    void swarmRuleTextsMatchTheFilter()
    {
        const QStringList rules = SettingsViewModel::swarmRuleDescriptions();
        QCOMPARE(rules.size(), 4);
        const QRegularExpression shape(QStringLiteral("^([\\d,]+) earthquakes in (\\d+) (minutes|hour|hours)$"));
        QTemporaryDir dir;
        UserDefaults defaults(dir.filePath(QStringLiteral("d.conf")));
        NotificationSettings settings(defaults);
        settings.setIsEnabled(true);
        settings.setSwarmNotificationsEnabled(true);
        const QDateTime now = QDateTime::fromSecsSinceEpoch(1760000000, Qt::UTC);
        for (const QString &rule : rules) {
            const auto match = shape.match(rule);
            QVERIFY2(match.hasMatch(), qPrintable(rule));
            const int count = match.captured(1).remove(u',').toInt();
            const int minutes = match.captured(2).toInt() * (match.captured(3).startsWith(u'h') ? 60 : 1);
            for (const QString &key : defaults.settings().allKeys())
                defaults.remove(key);
            EarthquakeList events;
            for (int i = 0; i < count; ++i)
                events.append(std::make_shared<Earthquake>(QStringLiteral("e%1").arg(i), now.addSecs(-minutes * 60 + 30),
                                                           28.0, -16.0, 10.0, 1.0, QStringLiteral("ml"), std::nullopt,
                                                           QStringLiteral("X"), now));
            settings.setGlobalMagnitudeEnabled(false);
            NotificationFilter filter(settings, std::nullopt, defaults, [now] { return now; });
            bool fired = false;
            for (const EarthquakeNotificationEvent &alert : filter.evaluate({}, events))
                fired = fired || (alert.count == count && alert.windowMinutes == minutes);
            QVERIFY2(fired, qPrintable(rule));
        }
    }
};

QTEST_GUILESS_MAIN(TestSettingsViewModel)
#include "tst_settings_viewmodel.moc"
