#pragma once

#include "FakeNotificationServer.h"
#include "Location/LocationManager.h"
#include "Location/LocationProvider.h"
#include "Notifications/NotificationManager.h"
#include "Notifications/NotificationSettings.h"
#include "Platform/SystemSettingsOpener.h"
#include "Platform/UserDefaults.h"
#include "ViewModels/SettingsViewModel.h"

#include <QDBusConnection>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>

// A location service the test answers for: a status, and counts of requests and starts.
class FakeLocationProvider : public LocationProvider {
public:
    LocationManager::AuthorizationStatus status = LocationManager::NotDetermined;
    int authorizationRequests = 0;
    int updateStarts = 0;

    LocationManager::AuthorizationStatus authorizationStatus() const override { return status; }
    void requestAlwaysAuthorization() override { ++authorizationRequests; }
    void startUpdatingLocation() override { ++updateStarts; }
    void answer(LocationManager::AuthorizationStatus s)
    {
        status = s;
        emit authorizationChanged();
    }
};

// Records which panes were asked for instead of starting programs.
class RecordingOpener : public SystemSettingsOpener {
public:
    QList<Pane> opened;
    bool open(Pane pane) override
    {
        opened.append(pane);
        return true;
    }
};

// The settings screen's services on a settings file in a temporary folder, the session bus of
// the test and a fake location service; the view model is made on demand and can be dropped
// (the window closing) while the services stay.
struct SettingsFixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("settings.conf"));
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<NotificationSettings> settings;
    FakeLocationProvider *provider = new FakeLocationProvider;
    std::unique_ptr<LocationManager> location;
    std::unique_ptr<NotificationManager> notifications;
    RecordingOpener opener;
    std::unique_ptr<SettingsViewModel> viewModel;

    // `prepare` writes the stored settings before the store reads them.
    explicit SettingsFixture(LocationManager::AuthorizationStatus locationStatus = LocationManager::NotDetermined,
                             const std::function<void(UserDefaults &)> &prepare = {})
    {
        if (prepare) {
            UserDefaults writer(path);
            prepare(writer);
            writer.sync();
        }
        defaults = std::make_unique<UserDefaults>(path);
        settings = std::make_unique<NotificationSettings>(*defaults);
        provider->status = locationStatus;
        location = std::make_unique<LocationManager>(provider);
        notifications = std::make_unique<NotificationManager>(QDBusConnection::sessionBus());
        open();
    }

    SettingsViewModel *open()
    {
        viewModel = std::make_unique<SettingsViewModel>(
            SettingsViewModel::Services{settings.get(), location.get(), notifications.get(), &opener});
        return viewModel.get();
    }
    void close() { viewModel.reset(); }

    QByteArray fileBytes()
    {
        defaults->sync();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};
