#include "AppHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

QString AppHome::storePath() const
{
    const QString folder = m_dir.path() + QStringLiteral("/data/sismovantaquelorin/sismovantaquelorin");
    QDir().mkpath(folder);
    return folder + QStringLiteral("/earthquakes.sqlite");
}

bool AppHome::setStore(const QString &source) const
{
    const QString path = storePath();
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
    return source.isEmpty() || QFile::copy(source, path);
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

std::optional<std::map<QString, double>> AppHome::medianFigures(const QStringList &arguments, const QString &catalogueUrl,
                                                                int processes, const QByteArray &tag,
                                                                QList<QByteArray> *otherLines,
                                                                const std::function<bool()> &beforeEach) const
{
    std::map<QString, std::vector<double>> runs;
    for (int i = 0; i < processes; ++i) {
        if (beforeEach && !beforeEach())
            return std::nullopt;
        const auto output = runAgain(arguments, catalogueUrl);
        if (!output)
            return std::nullopt;
        for (const QByteArray &line : output->split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 3 && parts[0] == tag)
                runs[QString::fromUtf8(parts[1])].push_back(parts[2].toDouble());
            else if (otherLines && !line.isEmpty())
                otherLines->append(line);
        }
    }
    std::map<QString, double> medians;
    for (auto &[name, values] : runs) {
        std::sort(values.begin(), values.end());
        medians[name] = values[values.size() / 2];
    }
    return medians;
}
