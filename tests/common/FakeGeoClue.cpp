#include "FakeGeoClue.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMutexLocker>
#include <QTimer>
#include <QUuid>
#include <limits>
#include <utility>

namespace {
const QString serviceName = QStringLiteral("org.freedesktop.GeoClue2");
const QString rootPath = QStringLiteral("/org/freedesktop/GeoClue2");
const QString managerPath = rootPath + QStringLiteral("/Manager");
const QString clientPath = rootPath + QStringLiteral("/Client/1");
const QString clientInterface = QStringLiteral("org.freedesktop.GeoClue2.Client");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr uint accuracyExact = 8;
constexpr double accuracyMeters = 1000.0;

QVariant wrapped(const QVariant &value)
{
    return QVariant::fromValue(QDBusVariant(value));
}

// GeoClue's timestamp: seconds and microseconds since 1970, as a (tt) structure.
QVariant timestampValue(const QDateTime &when)
{
    const qint64 ms = when.toMSecsSinceEpoch();
    QDBusArgument argument;
    argument.beginStructure();
    argument << quint64(ms / 1000) << quint64(ms % 1000 * 1000);
    argument.endStructure();
    return QVariant::fromValue(argument);
}
}  // namespace

FakeGeoClue::FakeGeoClue(const QString &busAddress, Mode mode, const QGeoCoordinate &position, int replyDelayMs)
    : m_connectionName(QStringLiteral("fake-geoclue-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_mode(mode)
    , m_replyDelayMs(replyDelayMs)
    , m_position(position)
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
    QString name;
    {
        // Not held while unregistering: a call being handled may be waiting for the lock.
        QMutexLocker locker(&m_mutex);
        name = std::exchange(m_connectionName, QString());
    }
    if (name.isEmpty())
        return;
    QDBusConnection connection(name);
    connection.unregisterObject(rootPath, QDBusConnection::UnregisterTree);
    QDBusConnection::disconnectFromBus(name);
    m_registered = false;
}

bool FakeGeoClue::isStarted() const
{
    QMutexLocker locker(&m_mutex);
    return m_started;
}

void FakeGeoClue::moveTo(const QGeoCoordinate &position)
{
    QMutexLocker locker(&m_mutex);
    m_position = position;
    if (m_started)
        send(publish(), locker);
}

QString FakeGeoClue::introspect(const QString &) const
{
    return {};
}

bool FakeGeoClue::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    ++m_calls;
    switch (m_mode) {
    case Mode::Mute:
        return true;  // taken, and never answered
    case Mode::StallAfterGetClient:
        if (message.member() == QLatin1String("GetClient"))
            connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(clientPath))));
        return true;
    case Mode::Answering:
        return answer(message, connection);
    }
    return true;
}

bool FakeGeoClue::answer(const QDBusMessage &message, const QDBusConnection &connection)
{
    const QString member = message.member();
    if (message.interface() == propertiesInterface) {
        QMutexLocker locker(&m_mutex);
        const QDBusMessage reply = member == QLatin1String("Set") ? message.createReply() : propertyReply(message);
        locker.unlock();
        connection.send(reply);
        return true;
    }
    if (message.path() == managerPath && member == QLatin1String("GetClient")) {
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(clientPath))));
        return true;
    }
    if (message.path() == clientPath && (member == QLatin1String("Start") || member == QLatin1String("Stop"))) {
        answerLater(message, member == QLatin1String("Start"));
        return true;
    }
    connection.send(message.createErrorReply(QDBusError::UnknownMethod, member));
    return true;
}

QDBusMessage FakeGeoClue::propertyReply(const QDBusMessage &message) const
{
    const QList<QVariant> args = message.arguments();
    const QString name = args.value(1).toString();
    const QString path = message.path();
    QVariant value;
    if (path == managerPath && name == QLatin1String("AvailableAccuracyLevel")) {
        value = accuracyExact;
    } else if (path == clientPath && name == QLatin1String("Location")) {
        value = QVariant::fromValue(QDBusObjectPath(m_location));
    } else if (path == clientPath && name == QLatin1String("Active")) {
        value = m_started;
    } else if (const auto fix = m_locations.constFind(path); fix != m_locations.cend()) {
        if (name == QLatin1String("Latitude"))
            value = fix->coordinate.latitude();
        else if (name == QLatin1String("Longitude"))
            value = fix->coordinate.longitude();
        else if (name == QLatin1String("Accuracy"))
            value = accuracyMeters;
        else if (name == QLatin1String("Altitude"))
            value = std::numeric_limits<double>::lowest();  // GeoClue's "unknown"
        else if (name == QLatin1String("Speed") || name == QLatin1String("Heading"))
            value = -1.0;
        else if (name == QLatin1String("Description"))
            value = QString();
        else if (name == QLatin1String("Timestamp"))
            value = timestampValue(fix->timestamp);
    }
    if (!value.isValid())
        return message.createErrorReply(QDBusError::UnknownProperty, name);
    return message.createReply(wrapped(value));
}

void FakeGeoClue::answerLater(const QDBusMessage &message, bool start)
{
    // Timers on this object's thread: equal delays keep the answers in the order of the calls.
    const QDBusMessage reply = message.createReply();
    QMetaObject::invokeMethod(this, [this, reply, start] {
        QTimer::singleShot(m_replyDelayMs, Qt::PreciseTimer, this, [this, reply, start] { finish(reply, start); });
    }, Qt::QueuedConnection);
}

void FakeGeoClue::finish(const QDBusMessage &reply, bool start)
{
    QMutexLocker locker(&m_mutex);
    QDBusMessage announcement;
    if (!start) {
        m_started = false;
    } else {
        if (!m_started) {
            m_started = true;
            announcement = publish();
        }
    }
    const QString name = m_connectionName;
    locker.unlock();
    if (name.isEmpty())
        return;
    QDBusConnection connection(name);
    connection.send(reply);
    if (announcement.type() == QDBusMessage::SignalMessage)
        connection.send(announcement);
}

QDBusMessage FakeGeoClue::publish()
{
    if (!m_position.isValid())
        return {};
    const QString previous = m_location;
    m_location = rootPath + QStringLiteral("/Location/") + QString::number(++m_fixes);
    m_locations.insert(m_location, {m_position, QDateTime::currentDateTimeUtc()});
    QDBusMessage signal = QDBusMessage::createSignal(clientPath, clientInterface, QStringLiteral("LocationUpdated"));
    signal << QVariant::fromValue(QDBusObjectPath(previous)) << QVariant::fromValue(QDBusObjectPath(m_location));
    return signal;
}

void FakeGeoClue::send(const QDBusMessage &message, QMutexLocker<QMutex> &locker)
{
    const QString name = m_connectionName;
    locker.unlock();
    if (!name.isEmpty() && message.type() == QDBusMessage::SignalMessage)
        QDBusConnection(name).send(message);
}
