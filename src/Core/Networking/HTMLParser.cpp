#include "HTMLParser.h"

#include <QFutureWatcher>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>
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

    QNetworkRequest request(url);
    request.setTransferTimeout(m_transferTimeoutMs);
    QNetworkReply *reply = m_session->get(request);

    struct Download {
        QByteArray body;
        bool tooLarge = false;
    };
    auto download = std::make_shared<Download>();
    const qint64 limit = m_maximumBodySize;
    const auto abandonAsTooLarge = [reply, download] {
        download->tooLarge = true;
        reply->abort();
    };
    // Qt gives a file: reply a status of 200 too: only the scheme tells an HTTP response.
    const auto successStatus = [reply] {
        const QString scheme = reply->url().scheme();
        if (scheme != u"http" && scheme != u"https")
            return false;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        return status.isValid() && status.toInt() >= 200 && status.toInt() <= 299;
    };

    // A declared length over the limit is refused before any of the body arrives.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [=] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (successStatus() && length.isValid() && length.toLongLong() > limit)
            abandonAsTooLarge();
    });
    // The body is taken as it arrives, so an endless one is cut off at the limit.
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [=] {
        if (download->tooLarge)
            return;
        download->body += reply->readAll();
        if (download->body.size() > limit)
            abandonAsTooLarge();
    });

    auto finishedConnection = std::make_shared<QMetaObject::Connection>();
    *finishedConnection = QObject::connect(
        reply, &QNetworkReply::finished, context,
        [=, completion = std::move(completion)] {
            reply->deleteLater();
            const auto fail = [&](HTMLParserError error) { completion(toError(error)); };
            if (download->tooLarge)
                return fail(HTMLParserError::invalidResponse);

            const QNetworkReply::NetworkError error = reply->error();
            if (error == QNetworkReply::OperationCanceledError) {
                // Nothing of ours cancelled it (our aborts never get here), so the transfer
                // timeout did; Qt reports that as a plain "Operation canceled".
                return completion(Error{Error::Domain::Transport, int(QNetworkReply::TimeoutError),
                                        QStringLiteral("Operation timed out")});
            }
            // Qt turns a final status of 400 or more into an error of its own; any other error
            // is the transfer's, whatever status an earlier response (a redirect) left behind.
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            const bool statusError = status.isValid() && status.toInt() >= 400
                && ((error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
                    || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError)
                    || error == QNetworkReply::ProtocolInvalidOperationError);
            if (error != QNetworkReply::NoError && !statusError)
                return completion(Error{Error::Domain::Transport, int(error), reply->errorString()});
            // Not HTTP at all (a file: address), or a status outside 2xx.
            if (!successStatus())
                return fail(HTMLParserError::invalidResponse);

            download->body += reply->readAll();
            if (download->body.size() > limit)
                return fail(HTMLParserError::invalidResponse);
            completion(std::exchange(download->body, QByteArray()));
        });

    // Destroying the context abandons the transfer: the completion is never called.
    QObject::connect(context, &QObject::destroyed, reply, [reply, finishedConnection] {
        QObject::disconnect(*finishedConnection);
        reply->abort();
        reply->deleteLater();
    });
}
