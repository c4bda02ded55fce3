#include "AppCommands.h"

#include "NavigationState.h"
#include "WindowScenes.h"
#include "Platform/Localization.h"
#include "Platform/NamedNotifications.h"

#include <QGuiApplication>
#include <QJSEngine>
#include <QQmlEngine>
#include <QVariantMap>

namespace {

std::function<void()> post(const QString &name)
{
    return [name] { NamedNotifications::defaultCenter()->post(name); };
}

// Commands that act on a main window act on the last active one, whichever window of the
// application the shortcut came from; that window comes forward so its change is seen.
QQuickWindow *targetMainWindow()
{
    QQuickWindow *window = WindowScenes::shared()->lastActiveMainWindow();
    if (window && QGuiApplication::focusWindow() != window) {
        window->raise();
        window->requestActivate();
    }
    return window;
}

std::function<void()> postToMainWindow(const QString &name)
{
    return [name] { NamedNotifications::defaultCenter()->post(name, targetMainWindow()); };
}

std::function<void()> navigate(SidebarItem::Case item)
{
    return [item] {
        targetMainWindow();
        NavigationState::shared()->setSidebarSelection(item);
    };
}

struct MenuTitle {
    const char *id;
    const char *key;
    QString defaultTitle;
};

const QList<MenuTitle> &menuTitles()
{
    static const QList<MenuTitle> titles = {
        {"app", "menu.file", QStringLiteral("Archivo")},
        {"view", "menu.view", QStringLiteral("Ver")},
        {"navigate", "menu.navMenu", QStringLiteral("Navegar")},
    };
    return titles;
}

}  // namespace

QString AppCommand::title() const
{
    return Localization::text(titleKey, defaultTitle);
}

AppCommands *AppCommands::shared()
{
    static AppCommands *commands = new AppCommands;  // lives as long as the process
    return commands;
}

AppCommands *AppCommands::create(QQmlEngine *, QJSEngine *)
{
    AppCommands *commands = shared();
    QJSEngine::setObjectOwnership(commands, QJSEngine::CppOwnership);
    return commands;
}

AppCommands::AppCommands()
{
    const QString app = QStringLiteral("app");
    const QString view = QStringLiteral("view");
    const QString nav = QStringLiteral("navigate");
    const auto key = [](const char *k) { return QString::fromLatin1(k); };
    m_commands = {
        {QStringLiteral("newWindow"), app, key("menu.newWindow"), QStringLiteral("Nueva ventana"),
         QKeySequence(QStringLiteral("Ctrl+N")), false, [this] { if (m_newWindow) m_newWindow(); }},
        {QStringLiteral("refresh"), app, key("menu.refresh"), QStringLiteral("Actualizar terremotos"),
         QKeySequence(QStringLiteral("Ctrl+R")), true, post(NamedNotifications::appDidBecomeActive)},
        {QStringLiteral("settings"), app, key("menu.nav.ajustes"), QStringLiteral("Ajustes"),
         QKeySequence(QStringLiteral("Ctrl+,")), true, post(NamedNotifications::openSettings)},
        {QStringLiteral("quit"), app, key("menu.quit"), QStringLiteral("Salir"),
         QKeySequence(QStringLiteral("Ctrl+Q")), true, [this] { if (m_quit) m_quit(); }},

        {QStringLiteral("toggleSidebar"), view, key("menu.toggleSidebar"),
         QStringLiteral("Mostrar/Ocultar barra lateral"), QKeySequence(QStringLiteral("Ctrl+Shift+S")), false,
         postToMainWindow(NamedNotifications::toggleSidebar)},

        {QStringLiteral("nav.sismos"), nav, key("menu.nav.sismos"), QStringLiteral("Sismos"),
         QKeySequence(QStringLiteral("Ctrl+1")), false, navigate(SidebarItem::sismos)},
        {QStringLiteral("nav.historico"), nav, key("menu.nav.historico"), QStringLiteral("Histórico"),
         QKeySequence(QStringLiteral("Ctrl+2")), false, navigate(SidebarItem::historico)},
        {QStringLiteral("nav.mapa"), nav, key("menu.nav.mapa"), QStringLiteral("Mapa"),
         QKeySequence(QStringLiteral("Ctrl+3")), false, navigate(SidebarItem::mapa)},
        {QStringLiteral("nav.stats"), nav, key("menu.nav.stats"), QStringLiteral("Estadísticas"),
         QKeySequence(QStringLiteral("Ctrl+4")), false, navigate(SidebarItem::stats)},
        {QStringLiteral("info"), nav, key("menu.nav.info"), QStringLiteral("Información"),
         QKeySequence(QStringLiteral("Ctrl+I")), true, postToMainWindow(NamedNotifications::openInfo)},
        {QStringLiteral("openFilter"), nav, key("menu.openFilter"), QStringLiteral("Abrir filtros"),
         QKeySequence(QStringLiteral("Ctrl+O")), true, postToMainWindow(NamedNotifications::openFilter)},
    };
}

const AppCommand *AppCommands::command(const QString &id) const
{
    for (const AppCommand &c : m_commands)
        if (c.id == id)
            return &c;
    return nullptr;
}

QVariantList AppCommands::menus() const
{
    QVariantList result;
    for (const MenuTitle &menu : menuTitles()) {
        QVariantList items;
        for (const AppCommand &c : m_commands) {
            if (c.menu != QLatin1String(menu.id))
                continue;
            items.append(QVariantMap{{QStringLiteral("id"), c.id},
                                     {QStringLiteral("title"), c.title()},
                                     {QStringLiteral("shortcut"), c.shortcut.toString(QKeySequence::PortableText)},
                                     {QStringLiteral("separatorBefore"), c.separatorBefore && !items.isEmpty()}});
        }
        result.append(QVariantMap{{QStringLiteral("id"), QString::fromLatin1(menu.id)},
                                  {QStringLiteral("title"), Localization::text(QString::fromLatin1(menu.key),
                                                                               menu.defaultTitle)},
                                  {QStringLiteral("items"), items}});
    }
    return result;
}

bool AppCommands::trigger(const QString &id)
{
    const AppCommand *c = command(id);
    if (!c)
        return false;
    c->action();
    return true;
}
