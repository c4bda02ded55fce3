#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// A notification server of the tests' own: owns org.freedesktop.Notifications on the session
// bus through a connection of its own (so a client in the same thread talks to it over the
// bus), records every Notify call and answers with increasing ids. A mute server takes the
// calls and never answers (the caller's timeout ends them).
class FakeNotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
        uint returnedId = 0;
    };

    explicit FakeNotificationServer(bool bodyMarkup = false, QObject *parent = nullptr);
    ~FakeNotificationServer() override;

    // False when the name could not be taken (another server already owns it).
    bool isRegistered() const { return m_registered; }
    void unregister();

    const QList<Call> &calls() const { return m_calls; }
    void clear() { m_calls.clear(); }
    int capabilityQueries() const { return m_capabilityQueries; }
    void setMute(bool mute) { m_mute = mute; }

public slots:
    uint Notify(const QString &app_name, uint replaces_id, const QString &app_icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints, int expire_timeout);
    QStringList GetCapabilities();
    QString GetServerInformation(QString &vendor, QString &version, QString &spec_version);
    void CloseNotification(uint id);

signals:
    void notified();

private:
    QString m_connectionName;
    QDBusConnection m_connection;
    bool m_bodyMarkup;
    bool m_registered = false;
    bool m_mute = false;
    uint m_nextId = 1;
    int m_capabilityQueries = 0;
    QList<Call> m_calls;
};
