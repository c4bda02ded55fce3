#pragma once

#include "Notifications/EarthquakeNotificationEvent.h"
#include "Platform/Clock.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <optional>

// How urgently a notification asks for attention; the values are the platform's numbering.
enum class InterruptionLevel { Active = 1, TimeSensitive = 2 };

// One notification as it is handed to the notification server.
struct NotificationContent {
    QString identifier;  // a later notification with the same identifier replaces the earlier
    QString title;
    QString body;        // plain text; escaped here when the server reads markup
    InterruptionLevel level = InterruptionLevel::Active;

    friend bool operator==(const NotificationContent &, const NotificationContent &) = default;
};

// Where alerts go; the repository depends on this only, so tests can record what it sends.
class NotificationSender {
public:
    virtual ~NotificationSender() = default;
    virtual void send(const EarthquakeNotificationEvent &alert) = 0;
};

// The process-wide sender of desktop notifications (freedesktop notifications on the session
// D-Bus). Every call is asynchronous with a short timeout: with no server on the bus, sends are
// dropped and nothing waits.
class NotificationManager : public QObject, public NotificationSender {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("NotificationManager is the process-wide instance")
    Q_PROPERTY(AuthorizationStatus authorizationStatus READ authorizationStatus NOTIFY authorizationStatusChanged)
public:
    // The authorization as the settings screen reads it, from GetCapabilities (asynchronous,
    // callTimeoutMs): a server that answers counts as authorized; no bus, no server, an error or
    // a timeout as denied; not determined until the bus was asked (a read never yields it).
    // The notifications protocol has no per-application permission: a desktop's own per-app
    // switch (GNOME has one) is invisible here, and notifications it mutes still read as allowed.
    enum class AuthorizationStatus { NotDetermined = 0, Denied = 1, Authorized = 2 };
    Q_ENUM(AuthorizationStatus)

    static constexpr int callTimeoutMs = 3000;
    static inline const QString applicationName = QStringLiteral("sismovantaquelorin");
    static inline const QString soundName = QStringLiteral("message-new-instant");

    static NotificationManager &shared();

    // A sender on a given bus connection (tests); `now` stamps swarm identifiers.
    explicit NotificationManager(const QDBusConnection &connection, NowFunction now = systemNow,
                                 QObject *parent = nullptr);

    // Asks the bus whether a notification server answers; `callback` runs later, bound to
    // `context`, with true when one does. Virtual so that screens can be drawn against a fixed
    // answer.
    virtual void requestAuthorization(QObject *context, std::function<void(bool)> callback);
    // The same question, answered as a status; also updates authorizationStatus().
    virtual void fetchAuthorizationStatus(QObject *context, std::function<void(AuthorizationStatus)> callback);
    AuthorizationStatus authorizationStatus() const { return m_status; }

    // Builds the alert's notification and posts it; nothing is reported back.
    void send(const EarthquakeNotificationEvent &alert) override;
    void post(const NotificationContent &content);

    // Identifier, title, body and level of an alert; `now` names a swarm alert.
    static NotificationContent content(const EarthquakeNotificationEvent &alert, const QDateTime &now);

    // Escapes what a markup-reading server would interpret.
    static QString escapeMarkup(const QString &text);

signals:
    void authorizationStatusChanged();

private:
    struct Capabilities {
        bool bodyMarkup = false;
    };
    void queryCapabilities(std::function<void(std::optional<Capabilities>)> done);
    void setStatus(AuthorizationStatus status);
    void notify(const NotificationContent &content);

    QDBusConnection m_connection;
    NowFunction m_now;
    AuthorizationStatus m_status = AuthorizationStatus::NotDetermined;
    std::optional<Capabilities> m_capabilities;  // known once a server answered
    bool m_probing = false;
    QList<NotificationContent> m_waitingForProbe;
    QHash<QString, uint> m_serverIds;                    // identifier -> id the server gave
    QSet<QString> m_inFlight;                            // identifiers with a Notify unanswered
    QHash<QString, NotificationContent> m_waitingForId;  // the latest content behind each of those
};
