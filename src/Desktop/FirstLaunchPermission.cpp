#include "FirstLaunchPermission.h"

#include "Notifications/NotificationManager.h"
#include "Notifications/NotificationSettings.h"
#include "Platform/UserDefaults.h"

#include <QJSEngine>
#include <QPointer>
#include <QQmlEngine>

namespace {

// The application's answerer: the process-wide desktop notification sender.
class NotificationManagerRequester : public PermissionRequester {
public:
    void requestAuthorization(QObject *context, std::function<void(bool)> answer) override
    {
        NotificationManager::shared().requestAuthorization(context, std::move(answer));
    }
};

}  // namespace

FirstLaunchPermission::FirstLaunchPermission(UserDefaults &defaults, NotificationSettings &settings,
                                             PermissionRequester &requester, QObject *parent)
    : QObject(parent), m_defaults(defaults), m_settings(settings), m_requester(requester)
{
}

FirstLaunchPermission *FirstLaunchPermission::shared()
{
    static NotificationManagerRequester requester;
    static FirstLaunchPermission *routine =
        new FirstLaunchPermission(UserDefaults::standard(), *NotificationSettings::shared(), requester);
    return routine;
}

FirstLaunchPermission *FirstLaunchPermission::create(QQmlEngine *, QJSEngine *)
{
    FirstLaunchPermission *routine = shared();
    QJSEngine::setObjectOwnership(routine, QJSEngine::CppOwnership);
    return routine;
}

bool FirstLaunchPermission::requestNotificationPermissionOnFirstLaunch()
{
    if (m_defaults.boolValue(hasAskedKey))
        return false;
    m_defaults.setBool(hasAskedKey, true);
    m_defaults.sync();  // on disk before the question, which may outlast the process
    QPointer<NotificationSettings> settings(&m_settings);
    m_requester.requestAuthorization(&m_settings, [settings](bool granted) {
        if (settings)
            settings->setIsEnabled(granted);
    });
    return true;
}
