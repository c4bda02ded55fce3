#include "SettingsViewModel.h"

#include "Models/MagnitudeCategory.h"
#include "ViewModels/MagnitudeCategories.h"
#include "Notifications/RefreshInterval.h"
#include "Platform/Localization.h"

#include <QVariantMap>

namespace {
using AuthStatus = NotificationManager::AuthorizationStatus;
}

SettingsViewModel::SettingsViewModel(QObject *parent)
    : SettingsViewModel(Services{NotificationSettings::shared(), LocationManager::shared(),
                                 &NotificationManager::shared(), &SystemSettingsOpener::shared()},
                        parent)
{
}

SettingsViewModel::SettingsViewModel(const Services &services, QObject *parent)
    : QObject(parent), m_services(services)
{
    Q_ASSERT(services.settings && services.locationManager && services.notificationManager && services.opener);
    NotificationSettings *settings = m_services.settings;
    m_lastIsEnabled = settings->isEnabled();
    connect(settings, &NotificationSettings::isEnabledChanged, this, &SettingsViewModel::isEnabledChanged);
    connect(settings, &NotificationSettings::locationNotificationsEnabledChanged, this,
            &SettingsViewModel::warningsChanged);
    connect(m_services.locationManager, &LocationManager::authorizationStatusChanged, this,
            &SettingsViewModel::warningsChanged);
    connect(settings, &NotificationSettings::globalMagnitudeEnabledChanged, this,
            &SettingsViewModel::magnitudeFooterChanged);
    connect(settings, &NotificationSettings::globalMagnitudeCategoryChanged, this,
            &SettingsViewModel::magnitudeFooterChanged);
    connect(settings, &NotificationSettings::refreshIntervalChanged, this, &SettingsViewModel::refreshFooterChanged);
}

bool SettingsViewModel::showsNotificationWarning() const
{
    // Only a read that found no server warns; not determined (not read yet) does not.
    return m_services.settings->isEnabled() && m_systemAuthStatus == AuthStatus::Denied;
}

bool SettingsViewModel::showsLocationWarning() const
{
    const auto status = m_services.locationManager->authorizationStatus();
    return m_services.settings->locationNotificationsEnabled()
           && (status == LocationManager::Denied || status == LocationManager::Restricted);
}

bool SettingsViewModel::showsRadiusPicker() const
{
    return m_services.settings->locationNotificationsEnabled() && !showsLocationWarning();
}

QVariantList SettingsViewModel::magnitudeChoices()
{
    QVariantList choices;
    for (const QVariant &c : MagnitudeCategories::allCases()) {
        const QVariantMap category = c.toMap();
        choices.append(QVariantMap{
            {QStringLiteral("text"), Localization::format(L("%@ (%@)", QStringLiteral("%@ (%@)")),
                                                          {category.value(QStringLiteral("label")),
                                                           category.value(QStringLiteral("range"))})},
            {QStringLiteral("value"), category.value(QStringLiteral("value"))},
            {QStringLiteral("color"), category.value(QStringLiteral("color"))},
        });
    }
    return choices;
}

QVariantList SettingsViewModel::radiusChoices()
{
    // The texts are their own keys.
    const auto choice = [](const QString &text, double km) {
        return QVariantMap{{QStringLiteral("text"), text}, {QStringLiteral("value"), km}};
    };
    return {choice(L("50 km", QStringLiteral("50 km")), 50.0), choice(L("100 km", QStringLiteral("100 km")), 100.0),
            choice(L("200 km", QStringLiteral("200 km")), 200.0), choice(L("500 km", QStringLiteral("500 km")), 500.0)};
}

QVariantList SettingsViewModel::refreshChoices()
{
    QVariantList choices;
    for (const RefreshInterval interval : RefreshInterval::allCases())
        choices.append(QVariantMap{{QStringLiteral("text"), interval.displayName()},
                                   {QStringLiteral("value"), int(interval.value())}});
    return choices;
}

QStringList SettingsViewModel::swarmRuleDescriptions()
{
    return {
        L("settings.swarm.rule1", QStringLiteral("10 earthquakes in 10 minutes")),
        L("settings.swarm.rule2", QStringLiteral("30 earthquakes in 1 hour")),
        L("settings.swarm.rule3", QStringLiteral("100 earthquakes in 2 hours")),
        L("settings.swarm.rule4", QStringLiteral("1,000 earthquakes in 24 hours")),
    };
}

QString SettingsViewModel::magnitudeFooter() const
{
    if (!m_services.settings->globalMagnitudeEnabled())
        return {};
    return Localization::format(
        L("settings.magnitudeThreshold.footer",
          QStringLiteral("You will receive a notification for earthquakes of magnitude %@ or higher.")),
        {m_services.settings->globalMagnitudeCategory().range()});
}

QString SettingsViewModel::refreshFooter() const
{
    if (m_services.settings->refreshInterval() == RefreshInterval::Disabled)
        return L("Las actualizaciones se realizarán únicamente de forma manual.",
                 QStringLiteral("Las actualizaciones se realizarán únicamente de forma manual."));
    return L("El sistema puede ajustar la frecuencia real para optimizar la batería.",
             QStringLiteral("El sistema puede ajustar la frecuencia real para optimizar la batería."));
}

void SettingsViewModel::appear()
{
    refreshSystemAuthStatus();
    recheckLocation();
}

void SettingsViewModel::activate()
{
    // Showing the window activates it too: one read then, not two.
    if (m_statusReadsInFlight == 0)
        refreshSystemAuthStatus();
    recheckLocation();
}

void SettingsViewModel::recheckLocation()
{
    // Never with location alerts off: the request could show the system's prompt unasked.
    if (m_services.settings->locationNotificationsEnabled())
        m_services.locationManager->refreshAuthorization();
}

void SettingsViewModel::refreshSystemAuthStatus()
{
    ++m_statusReadsInFlight;
    // Bound to this view model: the read of a closed screen writes nothing.
    m_services.notificationManager->fetchAuthorizationStatus(this, [this](AuthStatus status) {
        --m_statusReadsInFlight;
        // Two reads may overlap; each writes what it read and the later answer wins.
        m_systemAuthStatus = status;
        emit systemAuthStatusChanged();
        emit warningsChanged();
    });
}

void SettingsViewModel::isEnabledChanged(bool enabled)
{
    if (enabled == m_lastIsEnabled)
        return;
    m_lastIsEnabled = enabled;
    emit warningsChanged();
    refreshSystemAuthStatus();
    if (!enabled)
        return;
    const int generation = ++*m_requestGeneration;
    // The answer is bound to the settings store, not to the screen: a refusal switches alerts
    // back off even after the window has closed.
    NotificationSettings *settings = m_services.settings;
    m_services.notificationManager->requestAuthorization(
        settings, [settings, self = QPointer(this), generation, latest = m_requestGeneration](bool granted) {
            if (generation != *latest)
                return;  // superseded by a later switch-on; its answer decides
            if (!granted)
                settings->setIsEnabled(false);
            if (self)
                self->refreshSystemAuthStatus();
        });
}

void SettingsViewModel::setNotificationsEnabled(bool enabled)
{
    m_services.settings->setIsEnabled(enabled);
}

void SettingsViewModel::setGlobalMagnitudeEnabled(bool enabled)
{
    m_services.settings->setGlobalMagnitudeEnabled(enabled);
}

void SettingsViewModel::setGlobalMagnitudeCategory(int category)
{
    if (category < 0 || category >= int(MagnitudeCategory::allCases().size()))
        return;
    m_services.settings->setGlobalMagnitudeCategory(MagnitudeCategory::Value(category));
}

void SettingsViewModel::setLocationNotificationsEnabled(bool enabled)
{
    NotificationSettings *settings = m_services.settings;
    LocationManager *location = m_services.locationManager;
    if (!enabled) {
        settings->setLocationNotificationsEnabled(false);  // updates keep running
        return;
    }
    switch (location->authorizationStatus()) {
    case LocationManager::NotDetermined:
        location->requestPermission();  // answered later; the switch turns on at once
        settings->setLocationNotificationsEnabled(true);
        return;
    case LocationManager::Denied:
    case LocationManager::Restricted:
        return;  // refused: the switch stays as stored
    case LocationManager::AuthorizedAlways:
    case LocationManager::AuthorizedWhenInUse:
        location->startUpdatingIfAuthorized();
        settings->setLocationNotificationsEnabled(true);
        return;
    }
}

void SettingsViewModel::setLocationRadiusKm(double km)
{
    m_services.settings->setLocationRadiusKm(km);
}

void SettingsViewModel::setSwarmNotificationsEnabled(bool enabled)
{
    m_services.settings->setSwarmNotificationsEnabled(enabled);
}

void SettingsViewModel::setRefreshInterval(int interval)
{
    if (interval < 0 || interval >= int(RefreshInterval::allCases().size()))
        return;
    m_services.settings->setRefreshInterval(RefreshInterval::Value(interval));
}

void SettingsViewModel::openSystemSettings()
{
    m_services.opener->open(SystemSettingsOpener::Pane::Notifications);
}

void SettingsViewModel::openLocationSettings()
{
    m_services.opener->open(SystemSettingsOpener::Pane::Location);
}
