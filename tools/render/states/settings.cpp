// The settings window's content and the information sheet.
#include "RenderRegistry.h"
#include "SettingsRenderFixture.h"

#include <QQmlEngine>

namespace {

using Auth = NotificationManager::AuthorizationStatus;
using Prepare = std::function<void(NotificationSettings &)>;

const QUrl kSettings(QStringLiteral("qrc:/render/scenes/SettingsScene.qml"));
const QUrl kInfo(QStringLiteral("qrc:/render/scenes/InfoScene.qml"));

bool addSettings(const QString &name, QSize size, Auth notifications, LocationManager::AuthorizationStatus location,
                 const Prepare &prepare, const QVariantMap &properties = {})
{
    RenderState state{name, kSettings, size};
    state.properties = properties;
    state.setup = [=](QQmlEngine &engine, QVariantMap &props) {
        auto *fixture = new SettingsRenderFixture(&engine, notifications, location, prepare);
        props.insert(QStringLiteral("viewModel"), QVariant::fromValue(fixture->viewModel));
    };
    return RenderRegistry::addLightAndDark(state);
}

const Prepare alertsOn = [](NotificationSettings &s) { s.setIsEnabled(true); };
const Prepare everythingOn = [](NotificationSettings &s) {
    s.setIsEnabled(true);
    s.setGlobalMagnitudeCategory(MagnitudeCategory::Moderate);
    s.setLocationNotificationsEnabled(true);
    s.setLocationRadiusKm(200.0);
    s.setSwarmNotificationsEnabled(true);
    s.setRefreshInterval(RefreshInterval::FiveMinutes);
};
const QSize window(520, 480);
const QSize tall(520, 1040);

const bool registered =
    addSettings(QStringLiteral("settings-alerts-off"), window, Auth::Authorized, LocationManager::NotDetermined, {})
    && addSettings(QStringLiteral("settings-defaults"), window, Auth::Authorized, LocationManager::NotDetermined, alertsOn)
    && addSettings(QStringLiteral("settings-everything-on"), tall, Auth::Authorized, LocationManager::AuthorizedAlways,
                   everythingOn)
    && addSettings(QStringLiteral("settings-notifications-denied"), window, Auth::Denied, LocationManager::NotDetermined,
                   alertsOn)
    && addSettings(QStringLiteral("settings-location-denied"), tall, Auth::Authorized, LocationManager::Denied,
                   everythingOn)
    && addSettings(QStringLiteral("settings-bymagnitude-off"), window, Auth::Authorized, LocationManager::NotDetermined,
                   [](NotificationSettings &s) {
                       s.setIsEnabled(true);
                       s.setGlobalMagnitudeEnabled(false);
                   })
    && addSettings(QStringLiteral("settings-manual"), window, Auth::Authorized, LocationManager::NotDetermined,
                   [](NotificationSettings &s) { s.setRefreshInterval(RefreshInterval::Disabled); })
    && addSettings(QStringLiteral("settings-threshold-menu"), window, Auth::Authorized, LocationManager::NotDetermined,
                   alertsOn, {{QStringLiteral("openMenu"), QStringLiteral("magnitudeThresholdPicker")}})
    && addSettings(QStringLiteral("settings-refresh-menu"), window, Auth::Authorized, LocationManager::NotDetermined, {},
                   {{QStringLiteral("openMenu"), QStringLiteral("refreshPicker")}})
    // Alerts on: the picker lies below the fold, and its menu must stay in the window.
    && addSettings(QStringLiteral("settings-refresh-menu-alerts-on"), window, Auth::Authorized,
                   LocationManager::NotDetermined, alertsOn, {{QStringLiteral("openMenu"), QStringLiteral("refreshPicker")}})
    && addSettings(QStringLiteral("settings-460"), QSize(460, 480), Auth::Authorized, LocationManager::AuthorizedAlways,
                   everythingOn)
    && addSettings(QStringLiteral("settings-800"), QSize(800, 480), Auth::Authorized, LocationManager::AuthorizedAlways,
                   everythingOn)
    && addSettings(QStringLiteral("settings-scrolled"), window, Auth::Authorized, LocationManager::AuthorizedAlways,
                   everythingOn, {{QStringLiteral("scrollToEnd"), true}})
    && RenderRegistry::addLightAndDark({QStringLiteral("info-sheet"), kInfo, QSize(520, 600)})
    && RenderRegistry::addLightAndDark({QStringLiteral("info-full"), kInfo, QSize(520, 1500)})
    && RenderRegistry::addLightAndDark({QStringLiteral("info-long-description"), kInfo, QSize(420, 400), false,
                                        {{QStringLiteral("longDescription"), true}}});

}  // namespace
