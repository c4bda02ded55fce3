#pragma once

#include <QString>
#include <QStringList>

// Opens the desktop's own settings for notifications or location. The desktop is read from
// XDG_CURRENT_DESKTOP (a colon-separated list, any case; the first entry we know decides). The
// program is started detached and never awaited; a desktop without such a pane, a missing
// program or one that hangs opens nothing and costs nothing.
class SystemSettingsOpener {
public:
    enum class Pane { Notifications, Location };

    virtual ~SystemSettingsOpener() = default;

    // Starts the settings program for `pane`; false when there is none to start.
    virtual bool open(Pane pane);

    // The program and its arguments for a desktop list and a pane; empty when there is none.
    static QStringList command(const QString &desktops, Pane pane);
    static SystemSettingsOpener &shared();
};
