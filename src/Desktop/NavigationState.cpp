#include "NavigationState.h"

#include <QJSEngine>
#include <QQmlEngine>
#include <QVariantMap>

NavigationState *NavigationState::shared()
{
    static NavigationState *state = new NavigationState;  // lives as long as the process
    return state;
}

NavigationState *NavigationState::create(QQmlEngine *, QJSEngine *)
{
    NavigationState *state = shared();
    QJSEngine::setObjectOwnership(state, QJSEngine::CppOwnership);
    return state;
}

void NavigationState::setSidebarSelection(std::optional<SidebarItem::Case> item)
{
    m_selection = item;
    emit sidebarSelectionChanged();
}

QString NavigationState::sidebarSelectionRaw() const
{
    return m_selection ? SidebarItem::rawValue(*m_selection) : QString();
}

void NavigationState::setSidebarSelectionRaw(const QString &raw)
{
    setSidebarSelection(SidebarItem::fromRawValue(raw));
}

QVariantList NavigationState::sidebarItems() const
{
    QVariantList items;
    for (SidebarItem::Case item : SidebarItem::allCases()) {
        items.append(QVariantMap{{QStringLiteral("id"), SidebarItem::rawValue(item)},
                                 {QStringLiteral("label"), SidebarItem::label(item)},
                                 {QStringLiteral("icon"), SidebarItem::icon(item)}});
    }
    return items;
}
