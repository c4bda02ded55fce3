#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// A home of its own for the application in a benchmark: its store, settings and caches in a
// temporary folder. Benchmarks that drive the application run themselves again in such a home,
// one fresh process per case, so that every case starts as a launch does.
class AppHome {
public:
    // Where the application opens its store (AppDataLocation + "/earthquakes.sqlite"); the folder
    // is made.
    QString storePath() const;

    // Runs this executable again in the home with `arguments` and the catalogue at
    // `catalogueUrl`; its standard output, or nothing (and a note on standard error) when it did
    // not finish well within `timeoutMs`.
    std::optional<QByteArray> runAgain(const QStringList &arguments, const QString &catalogueUrl,
                                       int timeoutMs = 600000) const;

private:
    QTemporaryDir m_dir;
};
