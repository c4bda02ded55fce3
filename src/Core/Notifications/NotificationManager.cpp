#include "NotificationManager.h"

#include "Platform/FixedFormat.h"
#include "Platform/Localization.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QPointer>
#include <QTimer>
#include <QVariantMap>
#include <cmath>
#include <limits>

namespace {
const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

// freedesktop urgency: 0 low, 1 normal, 2 critical.
uchar urgencyOf(InterruptionLevel level)
{
    return level == InterruptionLevel::TimeSensitive ? uchar(2) : uchar(1);
}
// Whole units, the fraction dropped toward zero; values beyond the integer range are clamped
// and a NaN shows as 0 rather than being undefined.
qint64 truncated(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (value <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return qint64(value);
}

QString swarmWindowText(int windowMinutes)
{
    if (windowMinutes < 60)
        return Localization::format(L("notification.swarm.window.minutes", QStringLiteral("%lld min")),
                                    {qint64(windowMinutes)});
    return Localization::format(L("notification.swarm.window.hours", QStringLiteral("%lld h")),
                                {qint64(windowMinutes / 60)});
}
}  // namespace

NotificationContent NotificationManager::content(const EarthquakeNotificationEvent &alert, const QDateTime &now)
{
    NotificationContent c;
    switch (alert.kind) {
    case EarthquakeNotificationEvent::Kind::Magnitude: {
        const Earthquake &e = *alert.earthquake;
        const MagnitudeCategory category = e.magnitudeCategory();
        c.title = category.label() + QStringLiteral(" \u2014 ") + e.location();
        c.body = Localization::format(L("notification.magnitude.body", QStringLiteral("Magnitude %@, depth %lld km")),
                                      {FixedFormat::oneDecimal(e.magnitude()), truncated(e.depth())});
        c.level = category == MagnitudeCategory::Strong || category == MagnitudeCategory::Major
                      ? InterruptionLevel::TimeSensitive
                      : InterruptionLevel::Active;
        c.identifier = e.eventID();
        break;
    }
    case EarthquakeNotificationEvent::Kind::Proximity: {
        const Earthquake &e = *alert.earthquake;
        c.title = Localization::format(L("notification.proximity.title", QStringLiteral("Earthquake near you \u2014 %@")),
                                       {e.location()});
        c.body = Localization::format(
            L("notification.proximity.body", QStringLiteral("Magnitude %@ at %lld km from your location")),
            {FixedFormat::oneDecimal(e.magnitude()), truncated(alert.distanceKm)});
        c.level = InterruptionLevel::Active;
        c.identifier = QStringLiteral("proximity-") + e.eventID();
        break;
    }
    case EarthquakeNotificationEvent::Kind::Swarm: {
        const QString window = swarmWindowText(alert.windowMinutes);
        c.title = L("notification.swarm.title", QStringLiteral("Seismic swarm detected"));
        c.body = Localization::format(L("notification.swarm.body", QStringLiteral("%lld earthquakes in the last %@")),
                                      {qint64(alert.count), window});
        c.level = InterruptionLevel::TimeSensitive;
        c.identifier = QStringLiteral("swarm-") + QString::number(now.toMSecsSinceEpoch() / 1000);
        break;
    }
    }
    return c;
}

void NotificationManager::send(const EarthquakeNotificationEvent &alert)
{
    if (alert.kind != EarthquakeNotificationEvent::Kind::Swarm && !alert.earthquake)
        return;
    post(content(alert, m_now()));
}

NotificationManager &NotificationManager::shared()
{
    static NotificationManager *instance = new NotificationManager(QDBusConnection::sessionBus());
    return *instance;
}

NotificationManager::NotificationManager(const QDBusConnection &connection, NowFunction now, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
    , m_now(std::move(now))
{
}

QString NotificationManager::escapeMarkup(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&')
            out += QLatin1String("&amp;");
        else if (c == u'<')
            out += QLatin1String("&lt;");
        else if (c == u'>')
            out += QLatin1String("&gt;");
        else
            out += c;
    }
    return out;
}

void NotificationManager::queryCapabilities(std::function<void(std::optional<Capabilities>)> done)
{
    if (!m_connection.isConnected()) {
        // A pending call on a connection that never reached a bus never finishes: answer here.
        QTimer::singleShot(0, this, [this, done = std::move(done)] {
            setStatus(AuthorizationStatus::Denied);
            done(std::nullopt);
        });
        return;
    }
    const QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("GetCapabilities"));
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, done = std::move(done)](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QStringList> reply = *w;
        std::optional<Capabilities> caps;
        if (!reply.isError()) {
            caps = Capabilities{};
            caps->bodyMarkup = reply.value().contains(QStringLiteral("body-markup"));
        }
        setStatus(caps ? AuthorizationStatus::Authorized : AuthorizationStatus::Denied);
        done(caps);
    });
}

void NotificationManager::setStatus(AuthorizationStatus status)
{
    m_status = status;
    emit authorizationStatusChanged();
}

void NotificationManager::fetchAuthorizationStatus(QObject *context, std::function<void(AuthorizationStatus)> callback)
{
    QPointer<QObject> guard(context ? context : this);
    queryCapabilities([this, guard, callback = std::move(callback)](std::optional<Capabilities> caps) {
        if (caps)
            m_capabilities = caps;
        if (guard && callback)
            callback(caps ? AuthorizationStatus::Authorized : AuthorizationStatus::Denied);
    });
}

void NotificationManager::requestAuthorization(QObject *context, std::function<void(bool)> callback)
{
    fetchAuthorizationStatus(context, [callback = std::move(callback)](AuthorizationStatus status) {
        if (callback)
            callback(status == AuthorizationStatus::Authorized);
    });
}

void NotificationManager::post(const NotificationContent &content)
{
    if (m_capabilities) {
        notify(content);
        return;
    }
    // Whether the server reads markup decides how the body is written: ask once, then send.
    m_waitingForProbe.append(content);
    if (m_probing)
        return;
    m_probing = true;
    queryCapabilities([this](std::optional<Capabilities> caps) {
        m_probing = false;
        const QList<NotificationContent> waiting = std::exchange(m_waitingForProbe, {});
        // With no server the alerts are dropped; a server that appears later is asked again.
        m_capabilities = caps;
        if (!caps)
            return;
        for (const NotificationContent &c : waiting)
            notify(c);
    });
}

void NotificationManager::notify(const NotificationContent &content)
{
    // The server id of an earlier notification is needed to replace it: a second notification
    // with the same identifier waits for the first one's answer.
    if (m_inFlight.contains(content.identifier)) {
        m_waitingForId.insert(content.identifier, content);
        return;
    }
    m_inFlight.insert(content.identifier);

    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(urgencyOf(content.level)));
    hints.insert(QStringLiteral("sound-name"), soundName);
    const QString body = m_capabilities && m_capabilities->bodyMarkup ? escapeMarkup(content.body) : content.body;

    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    call << applicationName << m_serverIds.value(content.identifier, 0u) << QString() << content.title << body
         << QStringList() << hints << qint32(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call, callTimeoutMs), this);
    const QString identifier = content.identifier;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, identifier](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        m_inFlight.remove(identifier);
        if (!reply.isError()) {
            m_serverIds.insert(identifier, reply.value());
        } else if (reply.error().type() == QDBusError::ServiceUnknown) {
            // The server went away; ask again before the next send.
            m_capabilities.reset();
        }
        if (auto next = m_waitingForId.find(identifier); next != m_waitingForId.end()) {
            const NotificationContent content = *next;
            m_waitingForId.erase(next);
            notify(content);
        }
    });
}
