#include "EarthquakeRepository.h"

#include "DataSources/IGNDataSource.h"
#include "Location/LocationManager.h"
#include "Notifications/NotificationFilter.h"
#include "Notifications/NotificationManager.h"
#include "Notifications/NotificationSettings.h"
#include "Persistence/FetchDescriptor.h"
#include "Persistence/ModelContext.h"
#include "Platform/UserDefaults.h"

#include <QPointer>
#include <QSet>
#include <QStringList>

namespace {
constexpr qint64 recentWindowSeconds = 86400;

EarthquakeRepository::Environment completed(EarthquakeRepository::Environment env)
{
    if (!env.defaults)
        env.defaults = &UserDefaults::standard();
    if (!env.now)
        env.now = systemNow;
    if (!env.sender)
        env.sender = &NotificationManager::shared();
    if (!env.settings)
        env.settings = NotificationSettings::shared();
    if (!env.userLocation) {
        env.userLocation = []() -> std::optional<QGeoCoordinate> {
            const QGeoCoordinate location = LocationManager::shared()->userLocation();
            return location.isValid() ? std::optional(location) : std::nullopt;
        };
    }
    if (env.cooldownTickMs <= 0)
        env.cooldownTickMs = 1000;
    return env;
}
}  // namespace

EarthquakeRepository::EarthquakeRepository(ModelContext *context, std::unique_ptr<EarthquakeDataSource> dataSource,
                                           QObject *parent)
    : EarthquakeRepository(context, std::move(dataSource), Environment{}, parent)
{
}

EarthquakeRepository::EarthquakeRepository(ModelContext *context, std::unique_ptr<EarthquakeDataSource> dataSource,
                                           Environment environment, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_dataSource(dataSource ? std::move(dataSource) : std::make_unique<IGNDataSource>())
    , m_env(completed(std::move(environment)))
{
    m_lastUpdated = m_env.defaults->dateValue(lastUpdatedKey);
    m_cooldownTimer.setTimerType(Qt::PreciseTimer);
    m_cooldownTimer.setInterval(m_env.cooldownTickMs);
    connect(&m_cooldownTimer, &QTimer::timeout, this, &EarthquakeRepository::cooldownTick);
}

EarthquakeRepository::~EarthquakeRepository() = default;

void EarthquakeRepository::refresh(bool startCooldown, QObject *receiver, std::function<void()> finished)
{
    if (m_isLoading) {
        if (finished)
            finished();
        return;
    }
    setIsLoading(true);
    setLastError(std::nullopt);

    // The repository is the download's context: destroying it abandons the download, whose
    // completion then never runs.
    const bool bound = receiver != nullptr;
    QPointer<QObject> guard(receiver);
    m_dataSource->fetchEarthquakes(this, [this, startCooldown, bound, guard, finished = std::move(finished)](
                                             FetchResult result) {
        completeRefresh(std::move(result), startCooldown);
        if (finished && (!bound || guard))
            finished();
    });
}

void EarthquakeRepository::completeRefresh(FetchResult result, bool startCooldown)
{
    if (!result) {
        setLastError(result.error());
    } else if (const Expected<void> stored = persist(result.value()); !stored) {
        setLastError(stored.error());
    } else {
        const QDateTime now = m_env.now();
        setLastUpdated(now);
        m_env.defaults->setDate(lastUpdatedKey, now);
    }
    // Published before isLoading turns false, so a user refresh is never seen as both idle
    // and out of its cooldown.
    if (startCooldown)
        this->startCooldown(cooldownSeconds);
    setIsLoading(false);
}

Expected<void> EarthquakeRepository::persist(const ParsedEarthquakeList &parsed)
{
    // Only the identifiers of this page are looked up: the cost follows the page, not the store.
    QStringList ids;
    ids.reserve(parsed.size());
    for (const ParsedEarthquake &p : parsed)
        ids.append(p.eventID);
    const Expected<QSet<QString>> known = m_context->fetchStoredEventIDs(ids);
    // Without the stored identifiers every row would look new and be alerted again.
    if (!known)
        return known.error();

    const QDateTime fetchedAt = m_env.now();
    QSet<QString> taken;
    EarthquakeList newEarthquakes;
    for (const ParsedEarthquake &p : parsed) {
        // A stored event keeps its values; of twins inside one page only the first counts.
        if (known->contains(p.eventID) || taken.contains(p.eventID))
            continue;
        taken.insert(p.eventID);
        auto e = std::make_shared<Earthquake>(p.eventID, p.date, p.latitude, p.longitude, p.depth, p.magnitude,
                                              p.magnitudeType, p.maxIntensity, p.location, fetchedAt);
        m_context->insert(e);
        newEarthquakes.append(std::move(e));
    }
    if (newEarthquakes.isEmpty())
        return {};

    // A failed save drops the staged events, so the next refresh finds them new again.
    if (const Expected<void> saved = m_context->save(); !saved)
        return saved.error();
    fireNotifications(newEarthquakes);
    return {};
}

void EarthquakeRepository::fireNotifications(const EarthquakeList &newEarthquakes)
{
    const EarthquakeList recent = fetchRecentEarthquakes();
    const NotificationFilter filter(*m_env.settings, m_env.userLocation(), *m_env.defaults, m_env.now);
    const QList<EarthquakeNotificationEvent> alerts = filter.evaluate(newEarthquakes, recent);
    for (const EarthquakeNotificationEvent &alert : alerts)
        m_env.sender->send(alert);
}

EarthquakeList EarthquakeRepository::fetchRecentEarthquakes() const
{
    FetchDescriptor descriptor;
    descriptor.dateFrom = m_env.now().addSecs(-recentWindowSeconds);
    descriptor.sortByDate = SortOrder::Reverse;
    return m_context->fetch(descriptor).valueOr({});
}

void EarthquakeRepository::startCooldown(int seconds)
{
    // A running countdown is replaced; it publishes nothing more.
    m_cooldownTimer.stop();
    m_cooldownCounter = seconds;
    setCooldownRemainingSeconds(seconds);
    setIsCoolingDown(true);
    m_cooldownTimer.start();
}

void EarthquakeRepository::cooldownTick()
{
    if (m_cooldownCounter > 0) {
        --m_cooldownCounter;
        setCooldownRemainingSeconds(m_cooldownCounter);
    }
    if (m_cooldownCounter > 0)
        return;
    m_cooldownTimer.stop();
    setIsCoolingDown(false);
    setCooldownRemainingSeconds(0);
}

void EarthquakeRepository::setIsLoading(bool value)
{
    m_isLoading = value;
    emit isLoadingChanged(value);
}

void EarthquakeRepository::setLastUpdated(const std::optional<QDateTime> &value)
{
    m_lastUpdated = value;
    emit lastUpdatedChanged(lastUpdatedValue());
}

void EarthquakeRepository::setLastError(const std::optional<Error> &value)
{
    m_lastError = value;
    emit lastErrorChanged(lastErrorDescription());
}

void EarthquakeRepository::setIsCoolingDown(bool value)
{
    m_isCoolingDown = value;
    emit isCoolingDownChanged(value);
}

void EarthquakeRepository::setCooldownRemainingSeconds(int value)
{
    m_cooldownRemainingSeconds = value;
    emit cooldownRemainingSecondsChanged(value);
}
