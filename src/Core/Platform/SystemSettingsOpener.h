#pragma once

#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <functional>

// Opens the desktop's own settings for notifications or location. The desktop is read from
// XDG_CURRENT_DESKTOP (a colon-separated list, any case; the first entry we know decides). The
// program is started detached on a thread of the opener's own and never awaited: starting a
// process waits for it to be forked and exec'd, which on a loaded machine takes a frame or
// more. A desktop without such a pane, a missing program or one that hangs opens nothing and
// costs the caller nothing.
class SystemSettingsOpener {
public:
    enum class Pane { Notifications, Location };
    // Starts `program` (an absolute path) detached; runs on the opener's thread.
    using Starter = std::function<bool(const QString &program, const QStringList &arguments)>;

    SystemSettingsOpener();
    explicit SystemSettingsOpener(Starter starter);
    virtual ~SystemSettingsOpener();

    // Asks for the settings program for `pane` to be started and returns at once; false when
    // there is none to start (no such pane on this desktop, or no such program on PATH).
    virtual bool open(Pane pane);

    // The program and its arguments for a desktop list and a pane; empty when there is none.
    static QStringList command(const QString &desktops, Pane pane);
    static SystemSettingsOpener &shared();

private:
    Starter m_starter;
    QThreadPool m_starts;
};
