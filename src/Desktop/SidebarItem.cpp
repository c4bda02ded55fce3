#include "SidebarItem.h"

#include "Platform/Localization.h"

QList<SidebarItem::Case> SidebarItem::allCases()
{
    return {sismos, historico, mapa, stats};
}

QString SidebarItem::rawValue(Case item)
{
    switch (item) {
    case sismos: return QStringLiteral("sismos");
    case historico: return QStringLiteral("historico");
    case mapa: return QStringLiteral("mapa");
    case stats: return QStringLiteral("stats");
    }
    return {};
}

std::optional<SidebarItem::Case> SidebarItem::fromRawValue(const QString &raw)
{
    for (Case item : allCases())
        if (rawValue(item) == raw)
            return item;
    return std::nullopt;
}

QString SidebarItem::label(Case item)
{
    switch (item) {
    case sismos: return L("tab.sismos", QStringLiteral("Sismos"));
    case historico: return L("tab.historico", QStringLiteral("Histórico"));
    case mapa: return L("tab.mapa", QStringLiteral("Mapa"));
    case stats: return L("tab.stats", QStringLiteral("Estadísticas"));
    }
    return {};
}

QString SidebarItem::icon(Case item)
{
    switch (item) {
    case sismos: return QStringLiteral("list.bullet.rectangle");
    case historico: return QStringLiteral("tray.full");
    case mapa: return QStringLiteral("map");
    case stats: return QStringLiteral("chart.bar.xaxis");
    }
    return {};
}
