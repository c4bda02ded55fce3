#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <functional>

class NotificationSettings;
class UserDefaults;
class QQmlEngine;
class QJSEngine;

// Whoever answers the notification permission question: the desktop notification sender in
// the application, a fake in tests. `answer` runs later, while `context` lives.
class PermissionRequester {
public:
    virtual ~PermissionRequester() = default;
    virtual void requestAuthorization(QObject *context, std::function<void(bool granted)> answer) = 0;
};

// Asks for notification permission once per installation, the first time a main view shows.
// The flag is written before asking, so a second window or a crash mid-question never asks
// again; the answer becomes the master alert switch.
class FirstLaunchPermission : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    static inline const QString hasAskedKey = QStringLiteral("settings.hasAskedNotifPermission");

    // `defaults`, `settings` and `requester` must outlive this object.
    FirstLaunchPermission(UserDefaults &defaults, NotificationSettings &settings, PermissionRequester &requester,
                          QObject *parent = nullptr);

    // The process-wide routine on the standard defaults, settings and notification sender.
    static FirstLaunchPermission *shared();
    static FirstLaunchPermission *create(QQmlEngine *, QJSEngine *);

    // Returns whether it asked. The answer is stored when it comes, even if the view that
    // asked is gone by then (it is bound to the settings store, which lives on).
    Q_INVOKABLE bool requestNotificationPermissionOnFirstLaunch();

private:
    UserDefaults &m_defaults;
    NotificationSettings &m_settings;
    PermissionRequester &m_requester;
};
