#pragma once

#include "TestWait.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtTest>

// Rendered tests look items up in the visual tree: delegates and popup content have a visual
// parent only, so QObject::findChild misses them.
namespace QuickItems {

inline void collect(QQuickItem *item, QList<QQuickItem *> &out)
{
    out.append(item);
    for (QQuickItem *child : item->childItems())
        collect(child, out);
}

inline QList<QQuickItem *> all(QQuickItem *root)
{
    QList<QQuickItem *> out;
    if (root)
        collect(root, out);
    return out;
}

inline QQuickItem *find(QQuickItem *root, const QString &name)
{
    if (!root)
        return nullptr;
    if (root->objectName() == name)
        return root;
    for (QQuickItem *child : root->childItems())
        if (QQuickItem *found = find(child, name))
            return found;
    return nullptr;
}

// Builds one screen into the window's content at the given size and shows the window. Null,
// with the component's errors printed, when it cannot be built or the window never shows.
inline QQuickItem *show(QQmlEngine &engine, QQuickWindow &window, const QUrl &url,
                        const QVariantMap &properties, const QSize &size)
{
    QQmlComponent component(&engine, url);
    auto *root = qobject_cast<QQuickItem *>(component.createWithInitialProperties(properties));
    if (!root) {
        qWarning() << component.errorString();
        return nullptr;
    }
    root->setParentItem(window.contentItem());
    root->setSize(size);
    window.resize(size);
    window.show();
    return QTest::qWaitForWindowExposed(&window, TestWait::bound) ? root : nullptr;
}

}  // namespace QuickItems
