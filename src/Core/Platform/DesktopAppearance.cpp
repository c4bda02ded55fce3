#include "DesktopAppearance.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kNamespace = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

// Read answers a variant inside a variant; ReadOne and the signal a single one.
QVariant unwrap(QVariant value)
{
    while (value.userType() == qMetaTypeId<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}
}  // namespace

DesktopAppearance::DesktopAppearance(QObject *parent)
    : DesktopAppearance(QDBusConnection::sessionBus(), parent)
{
}

DesktopAppearance::DesktopAppearance(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                  SLOT(onSettingChanged(QString, QString, QDBusVariant)));
    read(QStringLiteral("ReadOne"));
}

void DesktopAppearance::read(const QString &method)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call << kNamespace << kKey;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, method](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (reply.isError()) {
            // Portals before version 2 have only Read; a missing portal or key leaves the palette's choice.
            if (method == QLatin1String("ReadOne") && reply.error().type() == QDBusError::UnknownMethod)
                read(QStringLiteral("Read"));
            return;
        }
        // A change announced while the read was in flight is newer than its answer.
        if (!m_changedBeforeRead)
            apply(reply.value().variant());
    });
}

void DesktopAppearance::onSettingChanged(const QString &ns, const QString &key, const QDBusVariant &value)
{
    if (ns != kNamespace || key != kKey)
        return;
    m_changedBeforeRead = true;
    apply(value.variant());
}

void DesktopAppearance::apply(const QVariant &value)
{
    bool ok = false;
    const uint raw = unwrap(value).toUInt(&ok);
    const ColorScheme scheme = !ok ? NoPreference : raw == 1 ? Dark : raw == 2 ? Light : NoPreference;
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    emit colorSchemeChanged();
}
