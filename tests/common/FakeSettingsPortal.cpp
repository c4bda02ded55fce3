#include "FakeSettingsPortal.h"

#include <QDBusMessage>
#include <QUuid>

namespace {
const QString serviceName = QStringLiteral("org.freedesktop.portal.Desktop");
const QString objectPath = QStringLiteral("/org/freedesktop/portal/desktop");
}  // namespace

FakeSettingsPortal::FakeSettingsPortal(bool hasReadOne, QObject *parent)
    : QObject(parent)
    , m_connectionName(QStringLiteral("fake-settings-portal-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName))
    , m_hasReadOne(hasReadOne)
{
    if (!m_connection.isConnected())
        return;
    if (!m_connection.registerObject(objectPath, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals))
        return;
    m_registered = m_connection.registerService(serviceName);
}

FakeSettingsPortal::~FakeSettingsPortal()
{
    if (m_registered) {
        m_connection.unregisterService(serviceName);
        m_connection.unregisterObject(objectPath);
    }
    QDBusConnection::disconnectFromBus(m_connectionName);
}

void FakeSettingsPortal::changeColorScheme(uint scheme)
{
    m_scheme = scheme;
    changeOther(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"), scheme);
}

void FakeSettingsPortal::changeOther(const QString &ns, const QString &key, uint value)
{
    emit SettingChanged(ns, key, QDBusVariant(QVariant::fromValue(value)));
}

std::optional<uint> FakeSettingsPortal::lookup(const QString &ns, const QString &key)
{
    ++m_reads;
    if (ns == QLatin1String("org.freedesktop.appearance") && key == QLatin1String("color-scheme") && m_scheme)
        return m_scheme;
    sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("Requested setting not found"));
    return std::nullopt;
}

QDBusVariant FakeSettingsPortal::ReadOne(const QString &ns, const QString &key)
{
    if (!m_hasReadOne) {
        sendErrorReply(QDBusError::UnknownMethod, QStringLiteral("No such method ReadOne"));
        return {};
    }
    const auto value = lookup(ns, key);
    return QDBusVariant(value ? QVariant::fromValue(*value) : QVariant());
}

QDBusVariant FakeSettingsPortal::Read(const QString &ns, const QString &key)
{
    const auto value = lookup(ns, key);
    // Read wraps the value in one more variant.
    return QDBusVariant(value ? QVariant::fromValue(QDBusVariant(QVariant::fromValue(*value))) : QVariant());
}
