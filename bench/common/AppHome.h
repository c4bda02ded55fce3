#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <map>
#include <optional>

// A home of its own for the application in a benchmark: its store, settings and caches in a
// temporary folder. Benchmarks that drive the application run themselves again in such a home,
// one fresh process per case, so that every case starts as a launch does.
class AppHome {
public:
    // Where the application opens its store (AppDataLocation + "/earthquakes.sqlite"); the folder
    // is made.
    QString storePath() const;
    // Puts a copy of the store at `source` in place of the home's, or leaves the home without a
    // store when `source` is empty; false when the copy failed.
    bool setStore(const QString &source) const;

    // Runs this executable again in the home with `arguments` and the catalogue at
    // `catalogueUrl`; its standard output, or nothing (and a note on standard error) when it did
    // not finish well within `timeoutMs`.
    std::optional<QByteArray> runAgain(const QStringList &arguments, const QString &catalogueUrl,
                                       int timeoutMs = 600000) const;

    // Runs this executable again `processes` times, each after `beforeEach` (when given), and
    // reads the lines "<tag> <name> <ms>" it prints: each name's median. The other lines go to
    // `otherLines` when given.
    std::optional<std::map<QString, double>> medianFigures(const QStringList &arguments, const QString &catalogueUrl,
                                                           int processes, const QByteArray &tag,
                                                           QList<QByteArray> *otherLines = nullptr,
                                                           const std::function<bool()> &beforeEach = {}) const;

private:
    QTemporaryDir m_dir;
};
