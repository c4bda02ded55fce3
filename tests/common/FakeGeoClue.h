#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QDateTime>
#include <QGeoCoordinate>
#include <QHash>
#include <QMutex>
#include <QString>
#include <atomic>

// A GeoClue 2 service of the tests' own: it owns org.freedesktop.GeoClue2 on a bus of the tests.
// - Mute answers nothing; StallAfterGetClient answers GetClient only and then nothing. Every call
//   it leaves unanswered waits for the caller's timeout, until disconnect() drops the service,
//   which ends those calls at once.
// - Answering grants access, as a desktop's agent would: one client for every caller, property
//   reads and writes answered at once, Start and Stop answered after `replyDelayMs` (in the order
//   they came), and while the client is started each new position is announced with
//   LocationUpdated, the first one as Start is answered.
class FakeGeoClue : public QDBusVirtualObject {
public:
    enum class Mode { Mute, StallAfterGetClient, Answering };

    // `busAddress`: the bus to own the name on (the tests give their session bus as the system bus).
    FakeGeoClue(const QString &busAddress, Mode mode, const QGeoCoordinate &position = {}, int replyDelayMs = 50);
    ~FakeGeoClue() override;

    bool isRegistered() const { return m_registered; }
    int calls() const { return m_calls; }
    void disconnect();

    // Answering: the client's state as the last Start or Stop answered left it.
    bool isStarted() const;
    // A new fix, announced at once while the client is started.
    void moveTo(const QGeoCoordinate &position);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    struct Fix {
        QGeoCoordinate coordinate;
        QDateTime timestamp;
    };

    bool answer(const QDBusMessage &message, const QDBusConnection &connection);
    QDBusMessage propertyReply(const QDBusMessage &message) const;  // under m_mutex
    void answerLater(const QDBusMessage &message, bool start);
    void finish(const QDBusMessage &reply, bool start);
    QDBusMessage publish();  // under m_mutex: a new Location object and its announcement
    void send(const QDBusMessage &signal, QMutexLocker<QMutex> &locker);  // unlocks first

    QString m_connectionName;
    Mode m_mode;
    int m_replyDelayMs;
    bool m_registered = false;
    std::atomic<int> m_calls = 0;  // handled on the bus thread

    // Calls are handled on the bus thread, delayed answers on this object's thread.
    mutable QMutex m_mutex;
    QGeoCoordinate m_position;
    bool m_started = false;
    int m_fixes = 0;
    QString m_location = QStringLiteral("/");  // the client's current Location object
    QHash<QString, Fix> m_locations;
};
