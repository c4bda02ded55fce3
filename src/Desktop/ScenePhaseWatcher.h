#pragma once

#include <QObject>

class NamedNotifications;

// Turns the application becoming active into "appDidBecomeActive". The first state seen is
// only remembered (the launch itself is not a return to the app); afterwards every change to
// active posts once.
class ScenePhaseWatcher : public QObject {
    Q_OBJECT
public:
    // Follows QGuiApplication's application state when `followApplication` is set.
    explicit ScenePhaseWatcher(NamedNotifications *center, bool followApplication = true,
                               QObject *parent = nullptr);

    void applicationStateChanged(Qt::ApplicationState state);

private:
    NamedNotifications *m_center;
    bool m_hasSeenState = false;
    Qt::ApplicationState m_state = Qt::ApplicationInactive;
};
