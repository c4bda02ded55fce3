#include "SystemSettingsOpener.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace {
// The panes as Debian 12's desktops name them. Only GNOME (and Unity, which ships GNOME's
// control centre) has a location pane.
QStringList commandFor(const QString &desktop, SystemSettingsOpener::Pane pane)
{
    const bool location = pane == SystemSettingsOpener::Pane::Location;
    if (desktop == u"gnome" || desktop == u"unity")
        return {QStringLiteral("gnome-control-center"), location ? QStringLiteral("location") : QStringLiteral("notifications")};
    if (location)
        return {};
    if (desktop == u"kde")
        return {QStringLiteral("systemsettings"), QStringLiteral("kcm_notifications")};
    if (desktop == u"xfce")
        return {QStringLiteral("xfce4-notifyd-config")};
    if (desktop == u"x-cinnamon")
        return {QStringLiteral("cinnamon-settings"), QStringLiteral("notifications")};
    if (desktop == u"mate")
        return {QStringLiteral("mate-notification-properties")};
    return {};
}

bool isKnown(const QString &desktop)
{
    static const QStringList known = {QStringLiteral("gnome"), QStringLiteral("unity"), QStringLiteral("kde"),
                                      QStringLiteral("xfce"), QStringLiteral("x-cinnamon"), QStringLiteral("mate")};
    return known.contains(desktop);
}
}  // namespace

QStringList SystemSettingsOpener::command(const QString &desktops, Pane pane)
{
    // "ubuntu:GNOME": the first entry we know decides, even when it has no such pane.
    for (const QString &entry : desktops.split(u':', Qt::SkipEmptyParts)) {
        const QString desktop = entry.trimmed().toLower();
        if (isKnown(desktop))
            return commandFor(desktop, pane);
    }
    return {};
}

SystemSettingsOpener::SystemSettingsOpener()
    : SystemSettingsOpener([](const QString &program, const QStringList &arguments) {
        return QProcess::startDetached(program, arguments);
    })
{
}

SystemSettingsOpener::SystemSettingsOpener(Starter starter) : m_starter(std::move(starter))
{
    m_starts.setMaxThreadCount(1);  // clicks are rare; one start after another
}

SystemSettingsOpener::~SystemSettingsOpener() = default;  // a start under way ends first

bool SystemSettingsOpener::open(Pane pane)
{
    const QStringList cmd =
        command(QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_CURRENT_DESKTOP")), pane);
    if (cmd.isEmpty())
        return false;
    // Looked up now, on the PATH of the moment of the click; the start itself comes later.
    const QString program = QStandardPaths::findExecutable(cmd.first());
    if (program.isEmpty())
        return false;
    // QProcess::startDetached forks twice and waits until the program is exec'd: off this thread.
    m_starts.start([starter = m_starter, program, arguments = cmd.mid(1)] { starter(program, arguments); });
    return true;
}

SystemSettingsOpener &SystemSettingsOpener::shared()
{
    static SystemSettingsOpener opener;
    return opener;
}
