#pragma once

#include "Location/LocationManager.h"
#include "Notifications/NotificationManager.h"
#include "Notifications/NotificationSettings.h"
#include "Platform/SystemSettingsOpener.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <memory>

// The state and the actions behind the settings screen, over the alert settings, the location
// holder and the notification sender. The screen draws from it and sends every user action
// here; nothing is written to the settings except by such an action (and the switch-back after
// a refused permission), so opening the screen writes nothing.
class SettingsViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(NotificationSettings *settings READ settings CONSTANT)
    Q_PROPERTY(LocationManager *locationManager READ locationManager CONSTANT)
    Q_PROPERTY(NotificationManager::AuthorizationStatus systemAuthStatus READ systemAuthStatus
                   NOTIFY systemAuthStatusChanged)
    Q_PROPERTY(bool showsNotificationWarning READ showsNotificationWarning NOTIFY warningsChanged)
    Q_PROPERTY(bool showsLocationWarning READ showsLocationWarning NOTIFY warningsChanged)
    Q_PROPERTY(bool showsRadiusPicker READ showsRadiusPicker NOTIFY warningsChanged)
    Q_PROPERTY(QVariantList magnitudeChoices READ magnitudeChoices CONSTANT)
    Q_PROPERTY(QVariantList radiusChoices READ radiusChoices CONSTANT)
    Q_PROPERTY(QVariantList refreshChoices READ refreshChoices CONSTANT)
    Q_PROPERTY(QStringList swarmRuleDescriptions READ swarmRuleDescriptions CONSTANT)
    Q_PROPERTY(QString magnitudeFooter READ magnitudeFooter NOTIFY magnitudeFooterChanged)
    Q_PROPERTY(QString refreshFooter READ refreshFooter NOTIFY refreshFooterChanged)
public:
    struct Services {
        NotificationSettings *settings = nullptr;
        LocationManager *locationManager = nullptr;
        NotificationManager *notificationManager = nullptr;
        SystemSettingsOpener *opener = nullptr;
    };

    // Over the process-wide services (the screen).
    explicit SettingsViewModel(QObject *parent = nullptr);
    // Over the given services (tests); they must outlive every answer they give.
    explicit SettingsViewModel(const Services &services, QObject *parent = nullptr);

    NotificationSettings *settings() const { return m_services.settings; }
    LocationManager *locationManager() const { return m_services.locationManager; }
    NotificationManager::AuthorizationStatus systemAuthStatus() const { return m_systemAuthStatus; }

    bool showsNotificationWarning() const;
    bool showsLocationWarning() const;
    bool showsRadiusPicker() const;

    static QVariantList magnitudeChoices();    // {text: "label (range)", value, color}
    static QVariantList radiusChoices();       // {text: "50 km", value: 50.0} ...
    static QVariantList refreshChoices();      // {text: displayName, value}
    static QStringList swarmRuleDescriptions();
    QString magnitudeFooter() const;           // empty while the by-magnitude switch is off
    QString refreshFooter() const;

    // The screen was shown (each time): reads the notification status, and asks for the
    // location status again while location alerts are on and not authorized always.
    Q_INVOKABLE void appear();
    // The window became active: the same, since nothing reports permissions changed meanwhile.
    Q_INVOKABLE void activate();
    Q_INVOKABLE void refreshSystemAuthStatus();

    // User actions.
    Q_INVOKABLE void setNotificationsEnabled(bool enabled);
    Q_INVOKABLE void setGlobalMagnitudeEnabled(bool enabled);
    Q_INVOKABLE void setGlobalMagnitudeCategory(int category);
    Q_INVOKABLE void setLocationNotificationsEnabled(bool enabled);  // the proximity switch
    Q_INVOKABLE void setLocationRadiusKm(double km);
    Q_INVOKABLE void setSwarmNotificationsEnabled(bool enabled);
    Q_INVOKABLE void setRefreshInterval(int interval);
    Q_INVOKABLE void openSystemSettings();    // the notifications pane
    Q_INVOKABLE void openLocationSettings();  // the location pane

signals:
    void systemAuthStatusChanged();
    void warningsChanged();
    void magnitudeFooterChanged();
    void refreshFooterChanged();

private:
    void isEnabledChanged(bool enabled);
    void recheckLocation();

    Services m_services;
    NotificationManager::AuthorizationStatus m_systemAuthStatus = NotificationManager::AuthorizationStatus::NotDetermined;
    bool m_lastIsEnabled = false;  // the store announces every assignment; act on changes only
    int m_statusReadsInFlight = 0;
    // Only the newest permission request may switch alerts back off; shared with the answers,
    // which may outlive this view model.
    std::shared_ptr<int> m_requestGeneration = std::make_shared<int>(0);
};
