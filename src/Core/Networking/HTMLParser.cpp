#include "HTMLParser.h"

#include "Networking/PageDownload.h"

#include <QFutureWatcher>
#include <QNetworkReply>
#include <QStringDecoder>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

HTMLParser::HTMLParser(QNetworkAccessManager *session) : m_session(session) {}

void HTMLParser::fetchAndParse(const QUrl &url, QObject *context, FetchCompletion completion) const
{
    fetchHTML(url, context, [context, completion = std::move(completion)](Expected<QByteArray> body) {
        if (!body)
            return completion(FetchResult(body.error()));
        // The watcher belongs to the context: destroying it drops the result unseen, while the
        // worker, which shares nothing with the context, runs to its end.
        auto *watcher = new QFutureWatcher<FetchResult>(context);
        QObject::connect(watcher, &QFutureWatcherBase::finished, watcher, [watcher, completion] {
            watcher->deleteLater();
            completion(watcher->future().takeResult());
        });
        watcher->setFuture(QtConcurrent::run([bytes = std::move(*body)]() mutable { return readPage(std::move(bytes)); }));
    });
}

FetchResult HTMLParser::readPage(QByteArray body)
{
    Expected<QString> text = decode(std::move(body));
    if (!text)
        return text.error();
    RowWalk walk;
    FetchResult events = parseTable(*text, walk);
    if (isCutShort(*text, walk))
        return incompleteResponseError();
    return events;
}

Expected<QString> HTMLParser::decode(QByteArray body)
{
    // Stateless, so a sequence cut off at the end counts as invalid too.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (utf8.hasError()) {
        text = QString(); // freed first: a big body is never held twice over
        text = QString::fromLatin1(body); // every byte is a Latin-1 character
    }
    return text;
}

Error HTMLParser::incompleteResponseError()
{
    return Error{Error::Domain::Transport, int(QNetworkReply::ProtocolFailure),
                 QStringLiteral("Incomplete response: the page was cut short")};
}

void HTMLParser::fetchHTML(const QUrl &url, QObject *context, BodyCompletion completion) const
{
    Q_ASSERT(context);
    if (!m_session) {
        QTimer::singleShot(0, context, [completion = std::move(completion)] {
            completion(Error{Error::Domain::Transport, int(QNetworkReply::UnknownNetworkError),
                             QStringLiteral("No network session")});
        });
        return;
    }
    PageDownload::start(m_session, url, {m_maximumBodySize, m_transferTimeoutMs}, context, std::move(completion));
}
