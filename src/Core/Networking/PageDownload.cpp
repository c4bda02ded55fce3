#include "PageDownload.h"

#include "Networking/HTMLParser.h"
#include "Networking/HTMLParserError.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>
#include <utility>

void PageDownload::start(QNetworkAccessManager *session, const QUrl &url, const Limits &limits, QObject *context,
                         Completion completion)
{
    Q_ASSERT(session && context);
    new PageDownload(session->get(QNetworkRequest(url)), limits, context, std::move(completion));
}

PageDownload::PageDownload(QNetworkReply *reply, const Limits &limits, QObject *context, Completion completion)
    : QObject(context), m_reply(reply), m_limits(limits), m_completion(std::move(completion))
{
    // Qt stops reading the socket while this much waits for us, so a body that comes faster
    // than the main thread takes it does not pile up in Qt. (A compressed reply is credited
    // with the decoded bytes we take, so its compressed input runs ahead, but never by more
    // than the limit lets us take.)
    m_reply->setReadBufferSize(kReadBufferSize);

    // A declared length over the limit is refused before any of the body arrives.
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (isHttpSuccess() && length.isValid() && length.toLongLong() > m_limits.maximumBodySize)
            abandon(Abandoned::tooLarge);
    });
    // Taken in turns of the event loop of their own, never inside Qt's delivery.
    connect(m_reply, &QNetworkReply::readyRead, this, &PageDownload::scheduleTurn);
    // Queued, so that an abort from inside our own slots never finishes under them.
    connect(m_reply, &QNetworkReply::finished, this, &PageDownload::transferFinished, Qt::QueuedConnection);

    if (m_limits.transferTimeoutMs > 0) {
        m_deadline.setSingleShot(true);
        m_deadline.callOnTimeout(this, [this] { abandon(Abandoned::timedOut); });
        m_deadline.start(m_limits.transferTimeoutMs);
    }
}

PageDownload::~PageDownload()
{
    // Destroyed with its context before the end: the completion never runs.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void PageDownload::scheduleTurn()
{
    if (!std::exchange(m_turnPending, true))
        QTimer::singleShot(0, this, &PageDownload::takeTurn);
}

void PageDownload::takeTurn()
{
    m_turnPending = false;
    if (!m_reply || m_abandoned != Abandoned::no)
        return;
    switch (take(kTurnSize)) {
    case Taken::overLimit:
        return abandon(Abandoned::tooLarge);
    case Taken::turnUsed:
        // A compressed reply holds far more decoded bytes than it buffers: the rest waits for
        // later turns, so the event loop stays free for everything else.
        return scheduleTurn();
    case Taken::all:
        if (m_transferDone)
            complete();
        return;
    }
}

PageDownload::Taken PageDownload::take(qint64 budget)
{
    // A piece at a time, and never more than one byte past the limit.
    constexpr qint64 kPiece = 64 * 1024;
    for (qint64 taken = 0; taken < budget;) {
        const qsizetype held = m_body.size();
        const qint64 room = m_limits.maximumBodySize + 1 - held;
        m_body.resize(held + std::min({kPiece, room, budget - taken}));
        const qint64 read = m_reply->read(m_body.data() + held, m_body.size() - held);
        m_body.resize(held + std::max<qint64>(read, 0));
        if (m_body.size() > m_limits.maximumBodySize) {
            m_body = QByteArray(); // never needed again: freed at once
            return Taken::overLimit;
        }
        if (read <= 0)
            return Taken::all;
        taken += read;
    }
    return Taken::turnUsed;
}

void PageDownload::abandon(Abandoned why)
{
    if (!m_reply || m_abandoned != Abandoned::no)
        return;
    m_abandoned = why;
    if (m_transferDone)
        complete();
    else
        m_reply->abort(); // then finishes, and completes
}

void PageDownload::transferFinished()
{
    m_transferDone = true;
    m_deadline.stop();
    if (m_abandoned != Abandoned::no)
        complete();
    else
        takeTurn(); // what the reply still holds, in turns
}

void PageDownload::complete()
{
    m_deadline.stop();
    Expected<QByteArray> result = outcome();
    Completion completion = std::move(m_completion);
    std::exchange(m_reply, nullptr)->deleteLater();
    deleteLater();
    // May destroy the context, and this download with it: nothing of ours is touched after.
    completion(std::move(result));
}

Expected<QByteArray> PageDownload::outcome()
{
    if (m_abandoned == Abandoned::timedOut) {
        return Error{Error::Domain::Transport, int(QNetworkReply::TimeoutError),
                     QStringLiteral("Operation timed out")};
    }
    if (m_abandoned == Abandoned::tooLarge)
        return toError(HTMLParserError::invalidResponse);

    const QNetworkReply::NetworkError error = m_reply->error();
    // Qt turns a final status of 400 or more into an error of its own; any other error is the
    // transfer's, whatever status an earlier response (a redirect) left behind.
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool statusError = status.isValid() && status.toInt() >= 400
        && ((error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
            || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError)
            || error == QNetworkReply::ProtocolInvalidOperationError);
    if (error != QNetworkReply::NoError && !statusError) {
        // Whether Qt calls a close before the declared length an error depends on how the
        // close and the last bytes reach it: either way it is the same incomplete page.
        if (error == QNetworkReply::RemoteHostClosedError && isHttpSuccess() && isShortOfDeclaredLength())
            return HTMLParser::incompleteResponseError();
        return Error{Error::Domain::Transport, int(error), m_reply->errorString()};
    }
    // Not HTTP at all (a file: address), or a status outside 2xx.
    if (!isHttpSuccess())
        return toError(HTMLParserError::invalidResponse);
    if (isShortOfDeclaredLength())
        return HTMLParser::incompleteResponseError();
    return std::exchange(m_body, QByteArray());
}

bool PageDownload::isHttpSuccess() const
{
    // Qt gives a file: reply a status of 200 too: only the scheme tells an HTTP response.
    const QString scheme = m_reply->url().scheme();
    if (scheme != u"http" && scheme != u"https")
        return false;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() && status.toInt() >= 200 && status.toInt() <= 299;
}

bool PageDownload::isShortOfDeclaredLength() const
{
    const QVariant declared = m_reply->header(QNetworkRequest::ContentLengthHeader);
    return declared.isValid() && m_body.size() < declared.toLongLong();
}
