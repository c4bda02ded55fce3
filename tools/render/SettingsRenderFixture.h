#pragma once

#include "Location/LocationManager.h"
#include "Location/LocationProvider.h"
#include "Notifications/NotificationManager.h"
#include "Notifications/NotificationSettings.h"
#include "Platform/SystemSettingsOpener.h"
#include "Platform/UserDefaults.h"
#include "ViewModels/SettingsViewModel.h"

#include <QDBusConnection>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

// The settings screen's services for a render: settings in a temporary file, a location
// service and a notification authorization with fixed answers, an opener that opens nothing.
class SettingsRenderFixture : public QObject {
public:
    class FixedLocation : public LocationProvider {
    public:
        LocationManager::AuthorizationStatus status = LocationManager::NotDetermined;
        LocationManager::AuthorizationStatus authorizationStatus() const override { return status; }
        void requestAlwaysAuthorization() override {}
        void startUpdatingLocation() override {}
    };
    class FixedAuthorization : public NotificationManager {
    public:
        AuthorizationStatus answer = AuthorizationStatus::Authorized;
        FixedAuthorization() : NotificationManager(QDBusConnection(QStringLiteral("render-no-bus"))) {}
        void requestAuthorization(QObject *context, std::function<void(bool)> callback) override
        {
            QTimer::singleShot(0, context, [this, callback] { callback(answer == AuthorizationStatus::Authorized); });
        }
        void fetchAuthorizationStatus(QObject *context, std::function<void(AuthorizationStatus)> callback) override
        {
            QTimer::singleShot(0, context, [this, callback] { callback(answer); });
        }
    };
    class NoOpener : public SystemSettingsOpener {
    public:
        bool open(Pane) override { return false; }
    };

    // `prepare` edits the settings before the screen reads them.
    SettingsRenderFixture(QObject *parent, NotificationManager::AuthorizationStatus notifications,
                          LocationManager::AuthorizationStatus location,
                          const std::function<void(NotificationSettings &)> &prepare)
        : QObject(parent)
    {
        m_defaults = std::make_unique<UserDefaults>(m_dir.filePath(QStringLiteral("settings.conf")));
        m_settings = std::make_unique<NotificationSettings>(*m_defaults);
        if (prepare)
            prepare(*m_settings);
        auto *provider = new FixedLocation;
        provider->status = location;
        m_location = std::make_unique<LocationManager>(provider);
        m_authorization.answer = notifications;
        viewModel = new SettingsViewModel(
            SettingsViewModel::Services{m_settings.get(), m_location.get(), &m_authorization, &m_opener}, this);
    }

    ~SettingsRenderFixture() override { delete viewModel; }  // before the services it uses

    SettingsViewModel *viewModel = nullptr;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<NotificationSettings> m_settings;
    std::unique_ptr<LocationManager> m_location;
    FixedAuthorization m_authorization;
    NoOpener m_opener;
};
