#include "Notifications/NotificationFilter.h"
#include "Notifications/NotificationSettings.h"
#include "Platform/Geo.h"
#include "Platform/UserDefaults.h"

#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>
#include <memory>

namespace {
using Kind = EarthquakeNotificationEvent::Kind;

const QDateTime now(QDate(2025, 3, 5), QTime(12, 0), Qt::UTC);
const QGeoCoordinate user(28.1, -15.4);
const QStringList cooldownKeys{QStringLiteral("swarm.lastNotified.10in10"), QStringLiteral("swarm.lastNotified.30in60"),
                               QStringLiteral("swarm.lastNotified.100in120"),
                               QStringLiteral("swarm.lastNotified.1000in1440")};

// A point `meters` north of the user.
QGeoCoordinate north(double meters)
{
    constexpr double earthRadius = 6371008.8;
    return QGeoCoordinate(user.latitude() + meters / earthRadius * 180.0 / M_PI, user.longitude());
}

EarthquakePtr quake(const QString &id, double magnitude, const QGeoCoordinate &at = north(500e3), qint64 secondsAgo = 0)
{
    return std::make_shared<Earthquake>(id, now.addSecs(-secondsAgo), at.latitude(), at.longitude(), 10.0, magnitude,
                                        QStringLiteral("mbLg"), std::nullopt, QStringLiteral("ATLÁNTICO-CANARIAS"), now);
}

EarthquakeList quakesAgo(int n, qint64 secondsAgo)
{
    EarthquakeList list;
    for (int i = 0; i < n; ++i)
        list.append(quake(QStringLiteral("r%1-%2").arg(secondsAgo).arg(i), 1.0, north(500e3), secondsAgo));
    return list;
}

// "m:id", "p:id" or "s:count/window" per alert, so a whole result compares in one line.
QStringList describe(const QList<EarthquakeNotificationEvent> &alerts)
{
    QStringList out;
    for (const EarthquakeNotificationEvent &a : alerts) {
        switch (a.kind) {
        case Kind::Magnitude: out << QStringLiteral("m:") + a.earthquake->eventID(); break;
        case Kind::Proximity: out << QStringLiteral("p:") + a.earthquake->eventID(); break;
        case Kind::Swarm: out << QStringLiteral("s:%1/%2").arg(a.count).arg(a.windowMinutes); break;
        }
    }
    return out;
}
}  // namespace

class TestAlertRules : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<NotificationSettings> m_settings;

    QList<EarthquakeNotificationEvent> evaluate(const EarthquakeList &fresh, const EarthquakeList &recent,
                                                std::optional<QGeoCoordinate> location = user)
    {
        NotificationFilter filter(*m_settings, location, *m_defaults, [] { return now; });
        return filter.evaluate(fresh, recent);
    }

private slots:
    void init()
    {
        static int n = 0;
        m_defaults = std::make_unique<UserDefaults>(m_dir.filePath(QStringLiteral("d%1.conf").arg(++n)));
        m_settings = std::make_unique<NotificationSettings>(*m_defaults);
        m_settings->setIsEnabled(true);
        m_settings->setGlobalMagnitudeEnabled(false);
        m_settings->setLocationNotificationsEnabled(false);
        m_settings->setSwarmNotificationsEnabled(false);
    }

    void masterSwitchOffRunsNothing()
    {
        m_settings->setIsEnabled(false);
        m_settings->setGlobalMagnitudeEnabled(true);
        m_settings->setLocationNotificationsEnabled(true);
        m_settings->setSwarmNotificationsEnabled(true);
        const QDateTime stale = now.addSecs(-7200);
        m_defaults->setDate(cooldownKeys[0], stale);
        QVERIFY(evaluate({quake("a", 8.0, user)}, quakesAgo(2000, 0)).isEmpty());
        QCOMPARE(m_defaults->dateValue(cooldownKeys[0]), std::optional(stale));
        for (int i = 1; i < 4; ++i)
            QVERIFY(!m_defaults->contains(cooldownKeys[i]));
    }

    void magnitudeThreshold_data()
    {
        QTest::addColumn<MagnitudeCategory>("category");
        QTest::addColumn<double>("magnitude");
        QTest::addColumn<bool>("alert");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("micro takes 0") << MagnitudeCategory(MagnitudeCategory::Micro) << 0.0 << true;
        QTest::newRow("micro refuses a negative") << MagnitudeCategory(MagnitudeCategory::Micro) << -0.1 << false;
        QTest::newRow("micro refuses NaN") << MagnitudeCategory(MagnitudeCategory::Micro) << nan << false;
        QTest::newRow("low at 2.0") << MagnitudeCategory(MagnitudeCategory::Low) << 2.0 << true;
        QTest::newRow("moderate at 4.0") << MagnitudeCategory(MagnitudeCategory::Moderate) << 4.0 << true;
        QTest::newRow("moderate below") << MagnitudeCategory(MagnitudeCategory::Moderate) << 3.99 << false;
        QTest::newRow("strong at 6.0") << MagnitudeCategory(MagnitudeCategory::Strong) << 6.0 << true;
        QTest::newRow("major below 7") << MagnitudeCategory(MagnitudeCategory::Major) << 6.99 << false;
        QTest::newRow("major at 7") << MagnitudeCategory(MagnitudeCategory::Major) << 7.0 << true;
        QTest::newRow("major refuses NaN") << MagnitudeCategory(MagnitudeCategory::Major) << nan << false;
    }
    void magnitudeThreshold()
    {
        QFETCH(MagnitudeCategory, category);
        QFETCH(double, magnitude);
        QFETCH(bool, alert);
        m_settings->setGlobalMagnitudeEnabled(true);
        m_settings->setGlobalMagnitudeCategory(category);
        QCOMPARE(describe(evaluate({quake("a", magnitude)}, {})), alert ? QStringList{"m:a"} : QStringList{});
    }

    void proximity_data()
    {
        QTest::addColumn<double>("radiusKm");
        QTest::addColumn<QGeoCoordinate>("epicentre");
        QTest::addColumn<double>("magnitude");
        QTest::addColumn<bool>("magnitudeRule");  // on, with "moderate"
        QTest::addColumn<QStringList>("alerts");
        QTest::newRow("inside") << 10.0 << north(9990) << 1.0 << false << QStringList{"p:a"};
        QTest::newRow("outside") << 10.0 << north(10010) << 1.0 << false << QStringList{};
        // The same point and a radius of 0 (assigned, not stored): the bound itself belongs inside.
        QTest::newRow("on the radius") << 0.0 << user << 1.0 << false << QStringList{"p:a"};
        QTest::newRow("negative radius matches nothing") << -5.0 << user << 1.0 << false << QStringList{};
        QTest::newRow("below threshold, magnitude rule on") << 10.0 << north(100) << 3.9 << true << QStringList{"p:a"};
        QTest::newRow("magnitude alert wins") << 10.0 << north(100) << 4.0 << true << QStringList{"m:a"};
        QTest::newRow("far and strong") << 10.0 << north(50e3) << 4.0 << true << QStringList{"m:a"};
        QTest::newRow("epicentre not a coordinate")
            << 1e6 << QGeoCoordinate(std::numeric_limits<double>::quiet_NaN(), -15.4) << 1.0 << false << QStringList{};
    }
    void proximity()
    {
        QFETCH(double, radiusKm);
        QFETCH(QGeoCoordinate, epicentre);
        QFETCH(double, magnitude);
        QFETCH(bool, magnitudeRule);
        QFETCH(QStringList, alerts);
        m_settings->setLocationNotificationsEnabled(true);
        m_settings->setLocationRadiusKm(radiusKm);
        m_settings->setGlobalMagnitudeEnabled(magnitudeRule);
        m_settings->setGlobalMagnitudeCategory(MagnitudeCategory::Moderate);
        const auto result = evaluate({quake("a", magnitude, epicentre)}, {});
        QCOMPARE(describe(result), alerts);
        if (!result.isEmpty() && result[0].kind == Kind::Proximity)
            QCOMPARE(result[0].distanceKm, *Geo::distanceMeters(user, epicentre) / 1000.0);
    }

    void noLocationYetSilencesOnlyProximity()
    {
        m_settings->setLocationNotificationsEnabled(true);
        m_settings->setGlobalMagnitudeEnabled(true);
        m_settings->setSwarmNotificationsEnabled(true);
        const EarthquakeList fresh{quake("a", 1.0, user), quake("b", 5.0, user)};
        QCOMPARE(describe(evaluate(fresh, quakesAgo(10, 0), std::nullopt)), (QStringList{"m:a", "m:b", "s:10/10"}));
        init();
        m_settings->setLocationNotificationsEnabled(true);
        QVERIFY(evaluate(fresh, {}, QGeoCoordinate()).isEmpty());  // an invalid location is none
    }

    void swarmThresholds_data()
    {
        QTest::addColumn<EarthquakeList>("recent");
        QTest::addColumn<QStringList>("alerts");
        QTest::newRow("9 in 10 min") << quakesAgo(9, 60) << QStringList{};
        QTest::newRow("10 in 10 min") << quakesAgo(10, 60) << QStringList{"s:10/10"};
        QTest::newRow("10 at the window start") << quakesAgo(10, 600) << QStringList{"s:10/10"};
        QTest::newRow("10 just before the window") << quakesAgo(10, 601) << QStringList{};
        QTest::newRow("30 in 10 min fire two rules") << quakesAgo(30, 60) << QStringList{"s:30/10", "s:30/60"};
        QTest::newRow("29 in the hour") << quakesAgo(29, 3000) << QStringList{};
        QTest::newRow("hour count, not the threshold") << quakesAgo(5, 60) + quakesAgo(40, 3000)
                                                       << QStringList{"s:45/60"};
        QTest::newRow("99 in 2 h") << quakesAgo(99, 7200) << QStringList{};
        QTest::newRow("100 in 2 h") << quakesAgo(100, 7200) << QStringList{"s:100/120"};
        QTest::newRow("999 in 24 h") << quakesAgo(999, 86000) << QStringList{};
        QTest::newRow("1000 in 24 h") << quakesAgo(1000, 86400) << QStringList{"s:1000/1440"};
        QTest::newRow("all four") << quakesAgo(1000, 0) << QStringList{"s:1000/10", "s:1000/60", "s:1000/120", "s:1000/1440"};
        QTest::newRow("future dates count") << quakesAgo(10, -3600) << QStringList{"s:10/10"};
    }
    void swarmThresholds()
    {
        QFETCH(EarthquakeList, recent);
        QFETCH(QStringList, alerts);
        m_settings->setSwarmNotificationsEnabled(true);
        QCOMPARE(describe(evaluate({}, recent)), alerts);
        // Each rule that fired has its time stored before evaluate returned; the others none.
        QStringList firedWindows;  // "s:30/60" -> "in60"
        for (const QString &a : alerts)
            firedWindows << QStringLiteral("in") + a.section(QLatin1Char('/'), 1);
        for (const QString &key : cooldownKeys) {
            const bool fired = std::any_of(firedWindows.begin(), firedWindows.end(),
                                           [&](const QString &w) { return key.endsWith(w); });
            QCOMPARE(m_defaults->dateValue(key), fired ? std::optional(now) : std::nullopt);
        }
    }

    void swarmCountsTheRecentListOnly()
    {
        m_settings->setSwarmNotificationsEnabled(true);
        QVERIFY(evaluate(quakesAgo(10, 0), quakesAgo(9, 0)).isEmpty());
        EarthquakeList recent = quakesAgo(9, 120);
        recent.prepend(quake("new", 1.0));  // one new event completes the swarm
        QCOMPARE(describe(evaluate({recent.first()}, recent)), QStringList{"s:10/10"});
    }

    void swarmCooldown_data()
    {
        QTest::addColumn<QVariant>("lastAlert");  // stored under the first rule's key
        QTest::addColumn<bool>("fires");
        QTest::newRow("never") << QVariant() << true;
        QTest::newRow("1799 s ago") << QVariant(now.addSecs(-1799)) << false;
        QTest::newRow("1799.999 s ago") << QVariant(now.addMSecs(-1799999)) << false;
        QTest::newRow("exactly 1800 s ago") << QVariant(now.addSecs(-1800)) << true;
        QTest::newRow("in the future") << QVariant(now.addSecs(600)) << false;
        QTest::newRow("not a date") << QVariant(now.toString(Qt::ISODate)) << true;
    }
    void swarmCooldown()
    {
        QFETCH(QVariant, lastAlert);
        QFETCH(bool, fires);
        m_settings->setSwarmNotificationsEnabled(true);
        if (lastAlert.isValid())
            m_defaults->setValue(cooldownKeys[0], lastAlert);
        QCOMPARE(describe(evaluate({}, quakesAgo(10, 0))), fires ? QStringList{"s:10/10"} : QStringList{});
        QCOMPARE(m_defaults->object(cooldownKeys[0]), fires ? QVariant(now) : lastAlert);

        if (!fires)
            return;
        // Written through to the file: a later evaluation (or a restart) is in the cooldown.
        m_defaults->sync();
        UserDefaults reopened(m_defaults->settings().fileName());
        NotificationFilter later(*m_settings, std::nullopt, reopened, [] { return now.addSecs(1799); });
        QVERIFY(later.evaluate({}, quakesAgo(10, -1799)).isEmpty());
    }

    void resultOrder()
    {
        m_settings->setGlobalMagnitudeEnabled(true);
        m_settings->setGlobalMagnitudeCategory(MagnitudeCategory::Moderate);
        m_settings->setLocationNotificationsEnabled(true);
        m_settings->setLocationRadiusKm(20.0);
        m_settings->setSwarmNotificationsEnabled(true);
        const EarthquakeList fresh{quake("b", 1.0, north(1000)), quake("a", 5.0, north(1000)),
                                   quake("d", 2.0, north(5000)), quake("c", 4.5, north(90e3)),
                                   quake("e", 0.5, north(90e3))};
        EarthquakeList recent = fresh + quakesAgo(25, 1200);
        QCOMPARE(describe(evaluate(fresh, recent)), (QStringList{"m:a", "m:c", "p:b", "p:d", "s:30/60"}));
    }
};

QTEST_GUILESS_MAIN(TestAlertRules)
#include "tst_alert_rules.moc"
