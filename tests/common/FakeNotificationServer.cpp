#include "FakeNotificationServer.h"

#include <QDBusConnectionInterface>
#include <QUuid>

namespace {
const QString serviceName = QStringLiteral("org.freedesktop.Notifications");
const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");

QString uniqueConnectionName()
{
    return QStringLiteral("fake-notification-server-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}
}  // namespace

FakeNotificationServer::FakeNotificationServer(bool bodyMarkup, QObject *parent)
    : QObject(parent)
    , m_connectionName(uniqueConnectionName())
    , m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName))
    , m_bodyMarkup(bodyMarkup)
{
    if (!m_connection.isConnected())
        return;
    if (!m_connection.registerObject(objectPath, this, QDBusConnection::ExportAllSlots))
        return;
    m_registered = m_connection.registerService(serviceName);
}

FakeNotificationServer::~FakeNotificationServer()
{
    unregister();
    QDBusConnection::disconnectFromBus(m_connectionName);
}

void FakeNotificationServer::unregister()
{
    if (!m_registered)
        return;
    m_connection.unregisterService(serviceName);
    m_connection.unregisterObject(objectPath);
    m_registered = false;
}

uint FakeNotificationServer::Notify(const QString &app_name, uint replaces_id, const QString &app_icon,
                                    const QString &summary, const QString &body, const QStringList &actions,
                                    const QVariantMap &hints, int expire_timeout)
{
    Call call;
    call.appName = app_name;
    call.replacesId = replaces_id;
    call.appIcon = app_icon;
    call.summary = summary;
    call.body = body;
    call.actions = actions;
    call.hints = hints;
    call.expireTimeout = expire_timeout;
    // A server keeps the id of a notification it replaces.
    call.returnedId = replaces_id != 0 && replaces_id < m_nextId ? replaces_id : m_nextId++;
    m_calls.append(call);
    emit notified();
    return call.returnedId;
}

QStringList FakeNotificationServer::GetCapabilities()
{
    ++m_capabilityQueries;
    if (m_mute) {
        setDelayedReply(true);  // and never reply
        return {};
    }
    QStringList caps{QStringLiteral("body"), QStringLiteral("sound")};
    if (m_bodyMarkup)
        caps << QStringLiteral("body-markup");
    return caps;
}

QString FakeNotificationServer::GetServerInformation(QString &vendor, QString &version, QString &spec_version)
{
    vendor = QStringLiteral("tests");
    version = QStringLiteral("1.0");
    spec_version = QStringLiteral("1.2");
    return QStringLiteral("fake-notification-server");
}

void FakeNotificationServer::CloseNotification(uint) {}
