#include "NotificationSettings.h"

#include "Platform/UserDefaults.h"

#include <QJSEngine>
#include <QQmlEngine>

namespace {
const QString enabledKey = QStringLiteral("notificationsEnabled");
const QString globalMagEnabledKey = QStringLiteral("settings.globalMagEnabled");
const QString globalMagCategoryKey = QStringLiteral("settings.globalMagCategory");
const QString locationEnabledKey = QStringLiteral("settings.locationEnabled");
const QString locationRadiusKey = QStringLiteral("settings.locationRadiusKm");
const QString swarmEnabledKey = QStringLiteral("settings.swarmEnabled");
const QString refreshIntervalKey = QStringLiteral("settings.refreshInterval");
// The older form of the magnitude alert: a minimum magnitude, turned into a category once.
const QString olderThresholdKey = QStringLiteral("notificationMagnitudeThreshold");

MagnitudeCategory loadCategory(UserDefaults &defaults)
{
    const double olderThreshold = defaults.doubleValue(olderThresholdKey);
    if (olderThreshold == 0.0) {
        return MagnitudeCategory::fromRawValue(defaults.stringValue(globalMagCategoryKey).value_or(QString()))
            .value_or(MagnitudeCategory::Micro);
    }
    const MagnitudeCategory category = MagnitudeCategory::from(olderThreshold);
    defaults.setString(globalMagCategoryKey, category.rawValue());
    defaults.remove(olderThresholdKey);
    return category;
}
}  // namespace

NotificationSettings *NotificationSettings::shared()
{
    static NotificationSettings *instance = new NotificationSettings(UserDefaults::standard());  // process lifetime
    return instance;
}

NotificationSettings *NotificationSettings::create(QQmlEngine *, QJSEngine *)
{
    NotificationSettings *settings = shared();
    QJSEngine::setObjectOwnership(settings, QJSEngine::CppOwnership);
    return settings;
}

NotificationSettings::NotificationSettings(UserDefaults &defaults, QObject *parent)
    : QObject(parent), m_defaults(defaults)
{
    m_isEnabled = defaults.boolValue(enabledKey);
    // Only an absent key gives true; a stored false stays false.
    m_globalMagnitudeEnabled = defaults.contains(globalMagEnabledKey) ? defaults.boolValue(globalMagEnabledKey) : true;
    m_globalMagnitudeCategory = loadCategory(defaults);
    m_locationNotificationsEnabled = defaults.boolValue(locationEnabledKey);
    const double radius = defaults.doubleValue(locationRadiusKey);
    m_locationRadiusKm = radius == 0.0 ? 100.0 : radius;
    m_swarmNotificationsEnabled = defaults.boolValue(swarmEnabledKey);
    m_refreshInterval = RefreshInterval::fromRawValue(defaults.stringValue(refreshIntervalKey).value_or(QString()))
                            .value_or(RefreshInterval::TenMinutes);
}

// Setters never compare: every assignment is stored and announced, so a repeated value still
// restarts whatever follows it. The signal comes after the store so that a handler reading the
// property back (a QML binding) sees the new value.

void NotificationSettings::setIsEnabled(bool value)
{
    m_isEnabled = value;
    m_defaults.setBool(enabledKey, value);
    emit isEnabledChanged(value);
}

void NotificationSettings::setGlobalMagnitudeEnabled(bool value)
{
    m_globalMagnitudeEnabled = value;
    m_defaults.setBool(globalMagEnabledKey, value);
    emit globalMagnitudeEnabledChanged(value);
}

void NotificationSettings::setGlobalMagnitudeCategory(MagnitudeCategory value)
{
    m_globalMagnitudeCategory = value;
    m_defaults.setString(globalMagCategoryKey, value.rawValue());
    emit globalMagnitudeCategoryChanged(value);
}

void NotificationSettings::setLocationNotificationsEnabled(bool value)
{
    m_locationNotificationsEnabled = value;
    m_defaults.setBool(locationEnabledKey, value);
    emit locationNotificationsEnabledChanged(value);
}

void NotificationSettings::setLocationRadiusKm(double value)
{
    m_locationRadiusKm = value;
    m_defaults.setDouble(locationRadiusKey, value);
    emit locationRadiusKmChanged(value);
}

void NotificationSettings::setSwarmNotificationsEnabled(bool value)
{
    m_swarmNotificationsEnabled = value;
    m_defaults.setBool(swarmEnabledKey, value);
    emit swarmNotificationsEnabledChanged(value);
}

void NotificationSettings::setRefreshInterval(RefreshInterval value)
{
    m_refreshInterval = value;
    m_defaults.setString(refreshIntervalKey, value.rawValue());
    emit refreshIntervalChanged(value);
}
