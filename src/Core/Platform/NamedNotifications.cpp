#include "NamedNotifications.h"

#include <QJSEngine>
#include <QQmlEngine>

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
    emit posted(name);
}
