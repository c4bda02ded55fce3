#pragma once

#include "SidebarItem.h"

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <optional>

class QQmlEngine;
class QJSEngine;

// The section every main window shows, shared by all of them and by the navigation commands.
// Not persisted: each launch starts at "sismos". QML reads and writes the raw value, with ""
// for no selection.
class NavigationState : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString sidebarSelection READ sidebarSelectionRaw WRITE setSidebarSelectionRaw
                   NOTIFY sidebarSelectionChanged)
    Q_PROPERTY(QVariantList sidebarItems READ sidebarItems CONSTANT)
public:
    static NavigationState *shared();
    static NavigationState *create(QQmlEngine *, QJSEngine *);

    std::optional<SidebarItem::Case> sidebarSelection() const { return m_selection; }
    // Announces every assignment, also one that repeats the current value.
    void setSidebarSelection(std::optional<SidebarItem::Case> item);

    QString sidebarSelectionRaw() const;
    void setSidebarSelectionRaw(const QString &raw);  // an unknown text clears the selection

    // [{id, label, icon}] in sidebar order; labels read afresh.
    QVariantList sidebarItems() const;

signals:
    void sidebarSelectionChanged();

private:
    NavigationState() = default;
    std::optional<SidebarItem::Case> m_selection = SidebarItem::sismos;
};
