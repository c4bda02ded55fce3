#include "EarthquakeRepository.h"

#include "DataSources/IGNDataSource.h"
#include "Location/LocationManager.h"
#include "Models/TimeWindows.h"
#include "Notifications/NotificationFilter.h"
#include "Notifications/NotificationManager.h"
#include "Notifications/NotificationSettings.h"
#include "Persistence/ModelContext.h"
#include "Platform/UserDefaults.h"
#include "Repositories/AlertDelivery.h"

namespace {
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
    m_running = Running{startCooldown, receiver != nullptr, receiver, std::move(finished)};

    // The repository is the context of every step: destroying it abandons the download, or
    // leaves a save that was handed over to finish on its own, and nothing more of the refresh
    // runs.
    m_dataSource->fetchEarthquakes(this, [this](FetchResult result) {
        if (!result)
            return endRefresh(result.error());
        persist(std::move(*result));
    });
}

void EarthquakeRepository::persist(ParsedEarthquakeList parsed)
{
    const QDateTime fetchedAt = m_env.now();
    // Made on the store's writer thread: a big page costs this thread nothing.
    auto candidates = [parsed = std::move(parsed), fetchedAt] {
        EarthquakeList events;
        events.reserve(parsed.size());
        for (const ParsedEarthquake &p : parsed) {
            events.append(std::make_shared<Earthquake>(p.eventID, p.date, p.latitude, p.longitude, p.depth,
                                                       p.magnitude, p.magnitudeType, p.maxIntensity, p.location,
                                                       fetchedAt));
        }
        return events;
    };
    // The store keeps the first of twins and only the identifiers it does not hold yet; a
    // failed save stores nothing, so the next refresh finds the same events new again.
    m_context->saveNew(std::move(candidates), this, [this](Expected<EarthquakeList> stored) {
        if (!stored)
            return endRefresh(stored.error());
        if (stored->isEmpty())
            return endRefresh(std::nullopt);
        fireNotifications(std::move(*stored));
    });
}

void EarthquakeRepository::fireNotifications(EarthquakeList newEarthquakes)
{
    // Read after the save, so they include the new events.
    m_context->fetchInBackground(
        recentEarthquakesDescriptor(), this,
        [this, newEarthquakes = std::move(newEarthquakes)](Expected<EarthquakeList> recent) mutable {
            const NotificationFilter filter(*m_env.settings, m_env.userLocation(), *m_env.defaults, m_env.now);
            // Unreadable recent events make an empty list: no swarm rule fires.
            auto *delivery = new AlertDelivery(filter, m_env.sender, std::move(newEarthquakes),
                                               recent ? std::move(*recent) : EarthquakeList(), this);
            connect(delivery, &AlertDelivery::finished, this, [this, delivery] {
                delivery->deleteLater();
                endRefresh(std::nullopt);
            });
        });
}

FetchDescriptor EarthquakeRepository::recentEarthquakesDescriptor() const
{
    FetchDescriptor descriptor;
    descriptor.dateFrom = m_env.now().addSecs(-TimeWindows::day);
    descriptor.sortByDate = SortOrder::Reverse;
    return descriptor;
}

void EarthquakeRepository::endRefresh(const std::optional<Error> &error)
{
    if (error) {
        setLastError(error);
    } else {
        const QDateTime now = m_env.now();
        setLastUpdated(now);
        m_env.defaults->setDate(lastUpdatedKey, now);
    }
    const Running running = std::exchange(m_running, {});
    // Published before isLoading turns false, so a user refresh is never seen as both idle
    // and out of its cooldown.
    if (running.startCooldown)
        this->startCooldown(cooldownSeconds);
    setIsLoading(false);
    if (running.finished && (!running.bound || running.receiver))
        running.finished();
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
