#pragma once

#include "Networking/HTMLParser.h"
#include "TestWait.h"

#include <QFile>
#include <QTest>
#include <optional>

// What the download tests share: the fixture pages, and one fetch run to its end.
namespace DownloadFetch {

inline QByteArray fixtureBytes(const char *name)
{
    QFile file(QStringLiteral(SISMO_FIXTURES_DIR "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return file.readAll();
}

// Runs one fetch to its end (or gives up after `timeoutMs`).
inline std::optional<FetchResult> fetch(const HTMLParser &parser, const QUrl &url, int timeoutMs = TestWait::bound)
{
    QObject context;
    std::optional<FetchResult> outcome;
    int calls = 0;
    parser.fetchAndParse(url, &context, [&](FetchResult result) {
        ++calls;
        outcome.emplace(std::move(result));
    });
    if (!QTest::qWaitFor([&] { return outcome.has_value(); }, timeoutMs))
        return std::nullopt;
    QTest::qWait(20); // a second completion would show up here
    if (calls > 1)
        qWarning("completion ran %d times", calls);
    return calls == 1 ? outcome : std::nullopt;
}

} // namespace DownloadFetch
