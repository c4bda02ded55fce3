#include "NamedNotifications.h"

#include <QJSEngine>
#include <QQmlEngine>

#include <utility>

NamedNotifications *NamedNotifications::defaultCenter()
{
    static NamedNotifications *center = new NamedNotifications;  // lives as long as the process
    return center;
}

NamedNotifications *NamedNotifications::create(QQmlEngine *, QJSEngine *)
{
    NamedNotifications *center = defaultCenter();
    QJSEngine::setObjectOwnership(center, QJSEngine::CppOwnership);
    return center;
}

void NamedNotifications::post(const QString &name)
{
    post(name, nullptr);
}

void NamedNotifications::post(const QString &name, QObject *window)
{
    // An observer may post in turn; the outer post keeps its own address.
    const QPointer<QObject> outer = std::exchange(m_window, window);
    emit posted(name);
    m_window = outer;
}
