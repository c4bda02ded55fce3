#pragma once

#include "Platform/Error.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

// One download of a page, bounded while it runs: the body is taken from the reply as it
// arrives, with the reply's own buffer kept small, and the transfer is abandoned the moment
// the decoded body passes its limit or the whole transfer outlasts its time. Qt alone would
// buffer any amount before a limit could be checked, and its transfer timeout only measures
// silence, so a body that trickles in never ends.
class PageDownload : public QObject {
    Q_OBJECT
public:
    struct Limits {
        qint64 maximumBodySize = 0; // decoded bytes
        int transferTimeoutMs = 0;  // from the request to the last byte
    };
    using Completion = std::function<void(Expected<QByteArray>)>;

    // Starts the transfer. `completion` runs once, later, with the body of a 2xx HTTP response
    // or the failure, and only while `context` (required) lives: the download is its child, so
    // destroying the context abandons the transfer.
    static void start(QNetworkAccessManager *session, const QUrl &url, const Limits &limits, QObject *context,
                      Completion completion);

    // How much of the body Qt may hold for us, and how much of it (decoded) is taken in one
    // turn of the event loop.
    static constexpr qint64 kReadBufferSize = 64 * 1024;
    static constexpr qint64 kTurnSize = 256 * 1024;

    ~PageDownload() override;

private:
    enum class Abandoned { no, tooLarge, timedOut };
    enum class Taken { all, turnUsed, overLimit };

    PageDownload(QNetworkReply *reply, const Limits &limits, QObject *context, Completion completion);
    void scheduleTurn();
    // Takes one turn's worth of the body; the rest waits for a later turn of the event loop.
    void takeTurn();
    // Moves what the reply holds into the body, up to `budget` bytes.
    Taken take(qint64 budget);
    void abandon(Abandoned why);
    void transferFinished();
    // Hands the outcome over, once the transfer has ended and its body is all taken.
    void complete();
    Expected<QByteArray> outcome();
    bool isHttpSuccess() const;
    // An identity body that ended before its Content-Length (with a compressed body Qt drops
    // that header, which counts the compressed bytes).
    bool isShortOfDeclaredLength() const;

    QNetworkReply *m_reply; // null once completed
    Limits m_limits;
    Completion m_completion;
    QTimer m_deadline;
    QByteArray m_body;
    Abandoned m_abandoned = Abandoned::no;
    bool m_transferDone = false;
    bool m_turnPending = false;
};
