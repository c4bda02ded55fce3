#pragma once

#include <QString>
#include <QStringList>

// Writes stores of realistic events straight through SQLite, for benchmarks and renders.
namespace StoreGenerator {

struct Options {
    int count = 10000;
    int recentCount = 0;          // of which this many fall in the 30 days before `newestMs`
    qint64 newestMs = 0;          // the newest event's time; 0 = now
    int years = 15;               // older events spread over this many years
    quint32 seed = 42;
};

// A few thousand distinct place names in the catalogue's style.
const QStringList &placeNames();

// Creates (or extends) the store file at `path` with the schema of the application.
// Returns false and a message on failure.
bool generate(const QString &path, const Options &options, QString *error = nullptr);

// The benchmarks' big store: a million events, 20,000 of them in the 30 days before `newestMs`
// (0 = now). On failure the message goes to standard error.
bool generateMillion(const QString &path, qint64 newestMs = 0);

}  // namespace StoreGenerator
