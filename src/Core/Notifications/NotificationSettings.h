#pragma once

#include "Models/MagnitudeCategory.h"
#include "Notifications/RefreshInterval.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

class UserDefaults;
class QQmlEngine;
class QJSEngine;

// The user's alert and refresh preferences. Loaded from the user defaults when built; every
// assignment is stored at once and announced, also when it repeats the value already held.
// QML sees the two enumerated settings as their enum values (the index in allCases()).
class NotificationSettings : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(bool isEnabled READ isEnabled WRITE setIsEnabled NOTIFY isEnabledChanged)
    Q_PROPERTY(bool globalMagnitudeEnabled READ globalMagnitudeEnabled WRITE setGlobalMagnitudeEnabled
                   NOTIFY globalMagnitudeEnabledChanged)
    Q_PROPERTY(MagnitudeCategory::Value globalMagnitudeCategory READ globalMagnitudeCategoryValue
                   WRITE setGlobalMagnitudeCategory NOTIFY globalMagnitudeCategoryChanged)
    Q_PROPERTY(bool locationNotificationsEnabled READ locationNotificationsEnabled
                   WRITE setLocationNotificationsEnabled NOTIFY locationNotificationsEnabledChanged)
    Q_PROPERTY(double locationRadiusKm READ locationRadiusKm WRITE setLocationRadiusKm NOTIFY locationRadiusKmChanged)
    Q_PROPERTY(bool swarmNotificationsEnabled READ swarmNotificationsEnabled WRITE setSwarmNotificationsEnabled
                   NOTIFY swarmNotificationsEnabledChanged)
    Q_PROPERTY(RefreshInterval::Value refreshInterval READ refreshIntervalValue WRITE setRefreshInterval
                   NOTIFY refreshIntervalChanged)
public:
    // The process-wide store, over UserDefaults::standard(); built on first use.
    static NotificationSettings *shared();
    static NotificationSettings *create(QQmlEngine *, QJSEngine *);

    // A store of its own over the given defaults (tests); `defaults` must outlive it.
    explicit NotificationSettings(UserDefaults &defaults, QObject *parent = nullptr);

    bool isEnabled() const { return m_isEnabled; }
    bool globalMagnitudeEnabled() const { return m_globalMagnitudeEnabled; }
    MagnitudeCategory globalMagnitudeCategory() const { return m_globalMagnitudeCategory; }
    MagnitudeCategory::Value globalMagnitudeCategoryValue() const { return m_globalMagnitudeCategory.value(); }
    bool locationNotificationsEnabled() const { return m_locationNotificationsEnabled; }
    double locationRadiusKm() const { return m_locationRadiusKm; }
    bool swarmNotificationsEnabled() const { return m_swarmNotificationsEnabled; }
    RefreshInterval refreshInterval() const { return m_refreshInterval; }
    RefreshInterval::Value refreshIntervalValue() const { return m_refreshInterval.value(); }

    void setIsEnabled(bool value);
    void setGlobalMagnitudeEnabled(bool value);
    void setGlobalMagnitudeCategory(MagnitudeCategory value);
    void setLocationNotificationsEnabled(bool value);
    void setLocationRadiusKm(double value);
    void setSwarmNotificationsEnabled(bool value);
    void setRefreshInterval(RefreshInterval value);

signals:
    void isEnabledChanged(bool value);
    void globalMagnitudeEnabledChanged(bool value);
    void globalMagnitudeCategoryChanged(MagnitudeCategory value);
    void locationNotificationsEnabledChanged(bool value);
    void locationRadiusKmChanged(double value);
    void swarmNotificationsEnabledChanged(bool value);
    void refreshIntervalChanged(RefreshInterval value);

private:
    UserDefaults &m_defaults;
    bool m_isEnabled = false;
    bool m_globalMagnitudeEnabled = true;
    MagnitudeCategory m_globalMagnitudeCategory = MagnitudeCategory::Micro;
    bool m_locationNotificationsEnabled = false;
    double m_locationRadiusKm = 100.0;
    bool m_swarmNotificationsEnabled = false;
    RefreshInterval m_refreshInterval = RefreshInterval::TenMinutes;
};
