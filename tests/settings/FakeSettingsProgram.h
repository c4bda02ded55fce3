#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

// A GNOME desktop whose settings program is a shell script of ours, first on PATH, for as long
// as the object lives; PATH and XDG_CURRENT_DESKTOP are as they were afterwards. Shared by the
// opener's tests, the stall cases and the settings benchmark.
class FakeSettingsProgram {
public:
    // `body` follows the "#!/bin/sh" line.
    explicit FakeSettingsProgram(const QByteArray &body)
        : m_oldPath(qgetenv("PATH")), m_oldDesktop(qgetenv("XDG_CURRENT_DESKTOP"))
    {
        QFile script(path());
        m_ready = script.open(QIODevice::WriteOnly) && script.write("#!/bin/sh\n" + body) > 0;
        script.close();
        m_ready = m_ready && script.setPermissions(script.permissions() | QFile::ExeOwner);
        qputenv("PATH", m_bin.path().toUtf8() + ':' + m_oldPath);
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    }
    ~FakeSettingsProgram()
    {
        qputenv("PATH", m_oldPath);
        qputenv("XDG_CURRENT_DESKTOP", m_oldDesktop);
    }
    FakeSettingsProgram(const FakeSettingsProgram &) = delete;
    FakeSettingsProgram &operator=(const FakeSettingsProgram &) = delete;

    bool isReady() const { return m_ready; }
    QString path() const { return m_bin.filePath(QStringLiteral("gnome-control-center")); }
    QString filePath(const QString &name) const { return m_bin.filePath(name); }

private:
    QTemporaryDir m_bin;
    QByteArray m_oldPath;
    QByteArray m_oldDesktop;
    bool m_ready = false;
};
