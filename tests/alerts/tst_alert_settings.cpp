#include "Notifications/NotificationSettings.h"
#include "Notifications/RefreshInterval.h"
#include "Platform/Localization.h"
#include "Platform/UserDefaults.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
// What each setting reads, in a form a table can hold.
QVariant reading(const NotificationSettings &s, const QString &setting)
{
    if (setting == u"isEnabled") return s.isEnabled();
    if (setting == u"globalMagnitudeEnabled") return s.globalMagnitudeEnabled();
    if (setting == u"globalMagnitudeCategory") return s.globalMagnitudeCategory().rawValue();
    if (setting == u"locationNotificationsEnabled") return s.locationNotificationsEnabled();
    if (setting == u"locationRadiusKm") return s.locationRadiusKm();
    if (setting == u"swarmNotificationsEnabled") return s.swarmNotificationsEnabled();
    if (setting == u"refreshInterval") return s.refreshInterval().rawValue();
    return {};
}

const QString olderKey = QStringLiteral("notificationMagnitudeThreshold");
const QString categoryKey = QStringLiteral("settings.globalMagCategory");
const QDateTime someDate(QDate(2025, 3, 5), QTime(12, 0), Qt::UTC);
}  // namespace

class TestAlertSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;
    QString freshPath() { return m_dir.filePath(QStringLiteral("defaults-%1.conf").arg(++m_files)); }

    // Writes `stored` through one store and syncs it, as a previous run of the application would.
    QString storeWith(const QVariantMap &stored)
    {
        const QString path = freshPath();
        UserDefaults writer(path);
        for (auto it = stored.begin(); it != stored.end(); ++it)
            writer.setValue(it.key(), it.value());
        writer.sync();
        return path;
    }

private slots:
    void emptyStoreReadsDefaultsAndWritesNothing()
    {
        const QString path = freshPath();
        UserDefaults defaults(path);
        NotificationSettings s(defaults);
        QCOMPARE(s.isEnabled(), false);
        QCOMPARE(s.globalMagnitudeEnabled(), true);
        QCOMPARE(s.globalMagnitudeCategory(), MagnitudeCategory::Micro);
        QCOMPARE(s.locationNotificationsEnabled(), false);
        QCOMPARE(s.locationRadiusKm(), 100.0);
        QCOMPARE(s.swarmNotificationsEnabled(), false);
        QCOMPARE(s.refreshInterval(), RefreshInterval::TenMinutes);
        QVERIFY(defaults.settings().allKeys().isEmpty());
    }

    void reads_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QVariant>("expected");
        using M = QVariantMap;
        const QString en = QStringLiteral("notificationsEnabled");
        const QString magEn = QStringLiteral("settings.globalMagEnabled");
        const QString radius = QStringLiteral("settings.locationRadiusKm");
        const QString interval = QStringLiteral("settings.refreshInterval");

        QTest::newRow("enabled true") << M{{en, true}} << "isEnabled" << QVariant(true);
        QTest::newRow("enabled holding a date") << M{{en, someDate}} << "isEnabled" << QVariant(false);
        QTest::newRow("magnitude alert stored false stays false") << M{{magEn, false}} << "globalMagnitudeEnabled" << QVariant(false);
        QTest::newRow("magnitude alert stored true") << M{{magEn, true}} << "globalMagnitudeEnabled" << QVariant(true);
        QTest::newRow("magnitude alert present but not a Boolean") << M{{magEn, someDate}} << "globalMagnitudeEnabled" << QVariant(false);
        QTest::newRow("location on") << M{{QStringLiteral("settings.locationEnabled"), true}} << "locationNotificationsEnabled" << QVariant(true);
        QTest::newRow("swarm on") << M{{QStringLiteral("settings.swarmEnabled"), true}} << "swarmNotificationsEnabled" << QVariant(true);

        QTest::newRow("radius 0 is the default") << M{{radius, 0.0}} << "locationRadiusKm" << QVariant(100.0);
        QTest::newRow("radius 50") << M{{radius, 50.0}} << "locationRadiusKm" << QVariant(50.0);
        QTest::newRow("negative radius kept") << M{{radius, -5.0}} << "locationRadiusKm" << QVariant(-5.0);
        QTest::newRow("radius not a number") << M{{radius, QStringLiteral("far")}} << "locationRadiusKm" << QVariant(100.0);
        QTest::newRow("radius holding a date") << M{{radius, someDate}} << "locationRadiusKm" << QVariant(100.0);

        QTest::newRow("category strong") << M{{categoryKey, QStringLiteral("strong")}} << "globalMagnitudeCategory" << QVariant("strong");
        QTest::newRow("category miscased") << M{{categoryKey, QStringLiteral("Strong")}} << "globalMagnitudeCategory" << QVariant("micro");
        QTest::newRow("category unknown") << M{{categoryKey, QStringLiteral("huge")}} << "globalMagnitudeCategory" << QVariant("micro");
        QTest::newRow("category not a text") << M{{categoryKey, 3}} << "globalMagnitudeCategory" << QVariant("micro");

        QTest::newRow("interval 60min") << M{{interval, QStringLiteral("60min")}} << "refreshInterval" << QVariant("60min");
        QTest::newRow("interval disabled") << M{{interval, QStringLiteral("disabled")}} << "refreshInterval" << QVariant("disabled");
        QTest::newRow("interval named by its key") << M{{interval, QStringLiteral("1hour")}} << "refreshInterval" << QVariant("10min");
        QTest::newRow("interval with a space") << M{{interval, QStringLiteral("5min ")}} << "refreshInterval" << QVariant("10min");
        QTest::newRow("interval not a text") << M{{interval, true}} << "refreshInterval" << QVariant("10min");

        QTest::newRow("older threshold wins over the new key") << M{{olderKey, 4.5}, {categoryKey, QStringLiteral("major")}}
                                                              << "globalMagnitudeCategory" << QVariant("moderate");
        QTest::newRow("older threshold on a bound") << M{{olderKey, 7.0}} << "globalMagnitudeCategory" << QVariant("major");
        QTest::newRow("older threshold negative") << M{{olderKey, -1.0}, {categoryKey, QStringLiteral("strong")}}
                                                 << "globalMagnitudeCategory" << QVariant("micro");
        QTest::newRow("older threshold 0 defers to the new key") << M{{olderKey, 0.0}, {categoryKey, QStringLiteral("strong")}}
                                                                << "globalMagnitudeCategory" << QVariant("strong");
        QTest::newRow("older threshold not a number") << M{{olderKey, QStringLiteral("x")}, {categoryKey, QStringLiteral("low")}}
                                                     << "globalMagnitudeCategory" << QVariant("low");
    }
    void reads()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(QString, setting);
        QFETCH(QVariant, expected);
        UserDefaults defaults(storeWith(stored));
        NotificationSettings s(defaults);
        QCOMPARE(reading(s, setting), expected);
    }

    void migrationRunsOnce_data()
    {
        QTest::addColumn<QVariant>("olderThreshold");
        QTest::addColumn<QString>("categoryAfter");
        QTest::addColumn<bool>("olderKeyKept");
        QTest::newRow("4.5 becomes moderate") << QVariant(4.5) << "moderate" << false;
        QTest::newRow("0 stays and migrates nothing") << QVariant(0.0) << "major" << true;
    }
    void migrationRunsOnce()
    {
        QFETCH(QVariant, olderThreshold);
        QFETCH(QString, categoryAfter);
        QFETCH(bool, olderKeyKept);
        const QString path = storeWith({{olderKey, olderThreshold}, {categoryKey, QStringLiteral("major")}});
        {
            UserDefaults defaults(path);
            NotificationSettings first(defaults);
            QCOMPARE(first.globalMagnitudeCategory().rawValue(), categoryAfter);
            defaults.sync();
        }
        UserDefaults defaults(path);  // the next start-up
        QCOMPARE(defaults.contains(olderKey), olderKeyKept);
        QCOMPARE(defaults.stringValue(categoryKey), std::optional(categoryAfter));
        NotificationSettings second(defaults);
        QCOMPARE(second.globalMagnitudeCategory().rawValue(), categoryAfter);
    }

    // Assignments go through the meta-object, as QML's would.
    void everyAssignmentWritesAndAnnounces_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("key");
        QTest::newRow("isEnabled, unchanged") << "isEnabled" << QVariant(false) << "notificationsEnabled";
        QTest::newRow("isEnabled") << "isEnabled" << QVariant(true) << "notificationsEnabled";
        QTest::newRow("globalMagnitudeEnabled, unchanged") << "globalMagnitudeEnabled" << QVariant(true) << "settings.globalMagEnabled";
        QTest::newRow("globalMagnitudeEnabled") << "globalMagnitudeEnabled" << QVariant(false) << "settings.globalMagEnabled";
        QTest::newRow("category, unchanged") << "globalMagnitudeCategory" << QVariant::fromValue(MagnitudeCategory::Micro)
                                             << "settings.globalMagCategory";
        QTest::newRow("category") << "globalMagnitudeCategory" << QVariant::fromValue(MagnitudeCategory::Strong)
                                  << "settings.globalMagCategory";
        QTest::newRow("location, unchanged") << "locationNotificationsEnabled" << QVariant(false) << "settings.locationEnabled";
        QTest::newRow("radius, unchanged") << "locationRadiusKm" << QVariant(100.0) << "settings.locationRadiusKm";
        QTest::newRow("radius, negative, not validated") << "locationRadiusKm" << QVariant(-5.0) << "settings.locationRadiusKm";
        QTest::newRow("swarm, unchanged") << "swarmNotificationsEnabled" << QVariant(false) << "settings.swarmEnabled";
        QTest::newRow("interval, unchanged") << "refreshInterval" << QVariant::fromValue(RefreshInterval::TenMinutes)
                                             << "settings.refreshInterval";
        QTest::newRow("interval") << "refreshInterval" << QVariant::fromValue(RefreshInterval::OneHour) << "settings.refreshInterval";
    }
    void everyAssignmentWritesAndAnnounces()
    {
        QFETCH(QString, setting);
        QFETCH(QVariant, value);
        QFETCH(QString, key);
        const QString path = freshPath();
        UserDefaults defaults(path);
        NotificationSettings s(defaults);
        const QMetaProperty property = s.metaObject()->property(s.metaObject()->indexOfProperty(qPrintable(setting)));
        QVERIFY(property.isValid() && property.hasNotifySignal());
        QSignalSpy spy(&s, property.notifySignal());

        QVERIFY(s.setProperty(qPrintable(setting), value));
        QVERIFY(s.setProperty(qPrintable(setting), value));  // the same value again
        QCOMPARE(spy.count(), 2);
        QCOMPARE(s.property(qPrintable(setting)).toString(), value.toString());
        QVERIFY(defaults.contains(key));

        defaults.sync();
        UserDefaults reopened(path);
        NotificationSettings restarted(reopened);
        QCOMPARE(restarted.property(qPrintable(setting)).toString(), value.toString());
    }
    // A handler reading the setting back (as a QML binding does) sees the value just assigned.
    void notificationsCarryTheNewValueAndFollowTheAssignment()
    {
        UserDefaults defaults(freshPath());
        NotificationSettings s(defaults);
        QList<RefreshInterval> delivered;
        QList<RefreshInterval> readBack;
        connect(&s, &NotificationSettings::refreshIntervalChanged, this, [&](RefreshInterval value) {
            delivered.append(value);
            readBack.append(s.refreshInterval());
        });
        s.setRefreshInterval(RefreshInterval::FiveMinutes);
        s.setRefreshInterval(RefreshInterval::FiveMinutes);
        s.setRefreshInterval(RefreshInterval::Disabled);
        const QList<RefreshInterval> expected{RefreshInterval::FiveMinutes, RefreshInterval::FiveMinutes,
                                              RefreshInterval::Disabled};
        QCOMPARE(delivered, expected);
        QCOMPARE(readBack, expected);
        QCOMPARE(defaults.stringValue(QStringLiteral("settings.refreshInterval")), std::optional(QStringLiteral("disabled")));
    }

    void refreshIntervals_data()
    {
        QTest::addColumn<RefreshInterval>("interval");
        QTest::addColumn<QString>("rawValue");
        QTest::addColumn<double>("seconds");  // -1: none
        QTest::addColumn<QString>("displayName");
        QTest::newRow("disabled") << RefreshInterval(RefreshInterval::Disabled) << "disabled" << -1.0 << "Manual";
        QTest::newRow("5") << RefreshInterval(RefreshInterval::FiveMinutes) << "5min" << 300.0 << "5 minutes";
        QTest::newRow("10") << RefreshInterval(RefreshInterval::TenMinutes) << "10min" << 600.0 << "10 minutes";
        QTest::newRow("30") << RefreshInterval(RefreshInterval::ThirtyMinutes) << "30min" << 1800.0 << "30 minutes";
        QTest::newRow("60") << RefreshInterval(RefreshInterval::OneHour) << "60min" << 3600.0 << "1 hour";
    }
    void refreshIntervals()
    {
        QFETCH(RefreshInterval, interval);
        QFETCH(QString, rawValue);
        QFETCH(double, seconds);
        QFETCH(QString, displayName);
        QCOMPARE(interval.rawValue(), rawValue);
        QCOMPARE(RefreshInterval::fromRawValue(rawValue), std::optional(interval));
        QCOMPARE(interval.seconds().value_or(-1.0), seconds);
        QCOMPARE(interval.displayName(), displayName);
        QCOMPARE(RefreshInterval::allCases().at(int(interval.value())), interval);
    }

    void displayNameFollowsTheTable()
    {
        Localization::setTableForTesting({{QStringLiteral("es"), {{QStringLiteral("settings.refresh.1hour"), QStringLiteral("1 hora")}}}});
        Localization::setLocaleForTesting(QLocale(QLocale::Spanish, QLocale::Spain));
        QCOMPARE(RefreshInterval(RefreshInterval::OneHour).displayName(), QStringLiteral("1 hora"));
        QCOMPARE(RefreshInterval(RefreshInterval::Disabled).displayName(), QStringLiteral("Manual"));
        Localization::setTableForTesting({});
        Localization::setLocaleForTesting(QLocale::c());
    }
};

QTEST_GUILESS_MAIN(TestAlertSettings)
#include "tst_alert_settings.moc"
