#include "FakeGeoClue.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QUuid>

namespace {
const QString serviceName = QStringLiteral("org.freedesktop.GeoClue2");
const QString rootPath = QStringLiteral("/org/freedesktop/GeoClue2");
}  // namespace

FakeGeoClue::FakeGeoClue(const QString &busAddress, Mode mode)
    : m_connectionName(QStringLiteral("fake-geoclue-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_mode(mode)
{
    QDBusConnection connection = QDBusConnection::connectToBus(busAddress, m_connectionName);
    if (!connection.isConnected())
        return;
    if (!connection.registerVirtualObject(rootPath, this, QDBusConnection::SubPath))
        return;
    m_registered = connection.registerService(serviceName);
}

FakeGeoClue::~FakeGeoClue()
{
    disconnect();
}

void FakeGeoClue::disconnect()
{
    if (m_connectionName.isEmpty())
        return;
    QDBusConnection connection(m_connectionName);
    connection.unregisterObject(rootPath, QDBusConnection::UnregisterTree);
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_connectionName.clear();
    m_registered = false;
}

QString FakeGeoClue::introspect(const QString &) const
{
    return {};
}

bool FakeGeoClue::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    ++m_calls;
    if (m_mode == Mode::StallAfterGetClient && message.member() == QLatin1String("GetClient")) {
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(rootPath + QStringLiteral("/Client/1")))));
        return true;
    }
    return true;  // taken, and never answered
}
