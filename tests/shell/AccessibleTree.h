#pragma once

#include "TestWait.h"

#include <QAccessible>
#include <QMultiHash>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QtTest>

#include <functional>

// What a screen reader walks: the accessibility tree of a window, as the platform bridge
// would read it, and the keyboard focus it follows.
namespace AccessibleTree {

// The roles of what a user reads or operates: each must carry a name.
inline const QSet<QAccessible::Role> &namedRoles()
{
    static const QSet<QAccessible::Role> roles = {
        QAccessible::Button, QAccessible::CheckBox, QAccessible::RadioButton, QAccessible::EditableText,
        QAccessible::ListItem, QAccessible::Row, QAccessible::Cell, QAccessible::List, QAccessible::MenuItem,
        QAccessible::PageTab, QAccessible::ComboBox, QAccessible::Heading, QAccessible::Slider, QAccessible::SpinBox};
    return roles;
}

// The roles that tell a user a control can be operated, and how.
inline const QSet<QAccessible::Role> &controlRoles()
{
    static const QSet<QAccessible::Role> roles = {
        QAccessible::Button, QAccessible::CheckBox, QAccessible::RadioButton, QAccessible::ComboBox,
        QAccessible::MenuItem, QAccessible::PageTab, QAccessible::ListItem, QAccessible::Link};
    return roles;
}

inline QString describe(QObject *object)
{
    return object ? QStringLiteral("%1 '%2'").arg(QString::fromLatin1(object->metaObject()->className()),
                                                  object->objectName())
                  : QStringLiteral("?");
}

inline bool shown(QAccessibleInterface *node)
{
    return node && node->isValid() && !node->state().invisible;
}

// A control made to be pressed: Qt Quick's buttons and the application's own pressable items.
inline bool isPointerControl(QQuickItem *item)
{
    if (item->inherits("QQuickAbstractButton"))
        return true;
    for (const QMetaObject *type = item->metaObject(); type; type = type->superClass())
        if (QByteArray(type->className()).startsWith("Pressable_QML"))
            return true;
    return false;
}

struct Walk {
    QStringList unnamed;                           // controls, rows and headers without a name
    QStringList mute;                              // pointer controls that do not say what they are
    QMultiHash<QAccessible::Role, QString> named;  // role -> names found

    void visit(QAccessibleInterface *node)
    {
        if (!shown(node))
            return;
        const QString name = node->text(QAccessible::Name).trimmed();
        if (namedRoles().contains(node->role())) {
            if (name.isEmpty())
                unnamed << QStringLiteral("tree: role 0x%1 ").arg(node->role(), 0, 16) + describe(node->object());
            else
                named.insert(node->role(), name);
        } else if (!name.isEmpty()) {
            named.insert(node->role(), name);
        }
        for (int i = 0; i < node->childCount(); ++i)
            visit(node->child(i));
    }

    // The items themselves, so that a control that never made it into the tree counts too.
    void visitItems(QQuickItem *item)
    {
        if (!item->isVisible())
            return;
        QQuickItem *list = item->parentItem() ? item->parentItem()->parentItem() : nullptr;
        const bool isListDelegate = list && list->inherits("QQuickListView")
                                    && item->parentItem() == list->property("contentItem").value<QQuickItem *>()
                                    // the list's own empty helper items, header and footer are no delegates
                                    && !item->childItems().isEmpty()
                                    && item != list->property("headerItem").value<QQuickItem *>()
                                    && item != list->property("footerItem").value<QQuickItem *>();
        const bool control = isPointerControl(item);
        if (control || item->inherits("QQuickTextField") || isListDelegate) {
            QAccessibleInterface *node = QAccessible::queryAccessibleInterface(item);
            if (!node || node->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << QStringLiteral("item: ") + describe(item) + QStringLiteral(" in ")
                               + describe(item->parentItem()->parentItem());
            const QStringList actions = node && node->actionInterface() ? node->actionInterface()->actionNames() : QStringList();
            // Qt 6.4 reports the items of a menu bar with the menu bar's role, whatever they declare.
            const bool menuBarItem = item->inherits("QQuickMenuBarItem") && node && node->role() == QAccessible::MenuBar;
            if (control && node && !menuBarItem && (!controlRoles().contains(node->role())
                                    || !(actions.contains(QAccessibleActionInterface::pressAction())
                                         || actions.contains(QAccessibleActionInterface::toggleAction()))))
                mute << QStringLiteral("role 0x%1, actions %2: ").arg(node->role(), 0, 16).arg(actions.join(QLatin1Char(',')))
                            + describe(item) + QStringLiteral(" '") + node->text(QAccessible::Name) + QLatin1Char('\'');
        }
        for (QQuickItem *child : item->childItems())
            visitItems(child);
    }
};

// Popups (menus, sheets, popovers) live in the window's overlay, a child of the content item,
// so both walks reach them.
inline Walk walk(QQuickWindow *window)
{
    Walk w;
    w.visit(QAccessible::queryAccessibleInterface(window));
    w.visitItems(window->contentItem());
    return w;
}

// The first shown node with this role whose name starts with `name`.
inline QAccessibleInterface *find(QAccessibleInterface *node, QAccessible::Role role, const QString &name)
{
    if (!shown(node))
        return nullptr;
    if (node->role() == role && node->text(QAccessible::Name).startsWith(name))
        return node;
    for (int i = 0; i < node->childCount(); ++i)
        if (QAccessibleInterface *found = find(node->child(i), role, name))
            return found;
    return nullptr;
}
inline QAccessibleInterface *find(QQuickWindow *window, QAccessible::Role role, const QString &name)
{
    return find(QAccessible::queryAccessibleInterface(window), role, name);
}

// The keyboard focus is on a node with this role whose name starts with `name`.
inline bool focused(QQuickWindow *window, QAccessible::Role role, const QString &name)
{
    QQuickItem *item = window->activeFocusItem();
    QAccessibleInterface *node = item ? QAccessible::queryAccessibleInterface(item) : nullptr;
    return node && node->role() == role && node->text(QAccessible::Name).startsWith(name);
}

// Presses Tab until the focus reaches that node (at most a hundred times), calling `step`
// after each press.
inline bool tabTo(QQuickWindow *window, QAccessible::Role role, const QString &name,
                  const std::function<void()> &step = {})
{
    for (int i = 0; i < 100; ++i) {
        if (focused(window, role, name))
            return true;
        QTest::keyClick(window, Qt::Key_Tab);
        if (step)
            step();
    }
    qWarning() << "Tab never reached" << name << "; the focus is on" << describe(window->activeFocusItem());
    return false;
}

}  // namespace AccessibleTree
