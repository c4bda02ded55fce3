#pragma once

#include "Networking/BodyPieces.h"
#include "Networking/ContentDecoder.h"
#include "Platform/Error.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

// One download of a page, bounded while it runs: the body is taken from the reply as it
// arrives, with the reply's own buffer kept small, decoded here (gzip, deflate) a turn's worth
// at a time, and the transfer is abandoned the moment the decoded body passes its limit or the
// whole transfer outlasts its time. Qt alone would buffer any amount before a limit could be
// checked, and its transfer timeout only measures silence, so a body that trickles in never
// ends.
class PageDownload : public QObject {
    Q_OBJECT
public:
    struct Limits {
        qint64 maximumBodySize = 0; // decoded bytes
        int transferTimeoutMs = 0;  // from the request to the last byte
    };
    using Completion = std::function<void(Expected<BodyPieces>)>;

    // Starts the transfer. `completion` runs once, later, with the body of a 2xx HTTP response
    // or the failure, and only while `context` (required) lives: the download is its child, so
    // destroying the context abandons the transfer.
    static void start(QNetworkAccessManager *session, const QUrl &url, const Limits &limits, QObject *context,
                      Completion completion);

    // How much of the body Qt may hold for us (as it came: Qt decodes nothing), and how much of
    // it is taken in one turn of the event loop, read from the reply and decoded each.
    static constexpr qint64 kReadBufferSize = 64 * 1024;
    static constexpr qint64 kTurnSize = 256 * 1024;

    ~PageDownload() override;

private:
    enum class Abandoned { no, tooLarge, timedOut, undecodable };
    enum class Taken { all, turnUsed, overLimit, undecodable };

    PageDownload(QNetworkReply *reply, const Limits &limits, QObject *context, Completion completion);
    void scheduleTurn();
    // Takes one turn's worth of the body; the rest waits for a later turn of the event loop.
    void takeTurn();
    // Decodes what the reply holds into the body, up to a turn's worth.
    Taken take();
    void abandon(Abandoned why);
    void transferFinished();
    // Hands the outcome over, once the transfer has ended and its body is all taken.
    void complete();
    Expected<BodyPieces> outcome();
    bool isHttpSuccess() const;
    // Whether the body comes in a content coding (Content-Length then counts the coded bytes).
    bool isCoded() const;
    // A body that ended before its Content-Length.
    bool isShortOfDeclaredLength() const;

    QNetworkReply *m_reply; // null once completed
    Limits m_limits;
    Completion m_completion;
    QTimer m_deadline;
    std::unique_ptr<ContentDecoder> m_decoder; // from the first turn on
    std::optional<Error> m_decodingError;
    BodyPieces m_body;       // decoded
    qint64 m_received = 0;   // bytes of the body as sent
    Abandoned m_abandoned = Abandoned::no;
    bool m_transferDone = false;
    bool m_turnPending = false;
};
