#include "ScenePhaseWatcher.h"

#include "Platform/NamedNotifications.h"

#include <QGuiApplication>

ScenePhaseWatcher::ScenePhaseWatcher(NamedNotifications *center, bool followApplication, QObject *parent)
    : QObject(parent), m_center(center)
{
    if (followApplication)
        connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
                &ScenePhaseWatcher::applicationStateChanged);
}

void ScenePhaseWatcher::applicationStateChanged(Qt::ApplicationState state)
{
    const bool first = !m_hasSeenState;
    const bool changed = state != m_state;
    m_hasSeenState = true;
    m_state = state;
    if (!first && changed && state == Qt::ApplicationActive)
        m_center->post(NamedNotifications::appDidBecomeActive);
}
