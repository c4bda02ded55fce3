#include "AppHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <cstdio>

QString AppHome::storePath() const
{
    const QString folder = m_dir.path() + QStringLiteral("/data/sismovantaquelorin/sismovantaquelorin");
    QDir().mkpath(folder);
    return folder + QStringLiteral("/earthquakes.sqlite");
}

std::optional<QByteArray> AppHome::runAgain(const QStringList &arguments, const QString &catalogueUrl, int timeoutMs) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), m_dir.path() + QStringLiteral("/cache"));
    env.insert(QStringLiteral("SISMOVANTAQUELORIN_CATALOGUE_URL"), catalogueUrl);
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(timeoutMs) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::fprintf(stderr, "%s %s: the run failed\n", qPrintable(QCoreApplication::applicationName()),
                     qPrintable(arguments.join(u' ')));
        child.kill();
        child.waitForFinished();
        return std::nullopt;
    }
    return child.readAllStandardOutput();
}
