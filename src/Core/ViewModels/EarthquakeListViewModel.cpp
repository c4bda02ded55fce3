#include "EarthquakeListViewModel.h"

#include "Notifications/NotificationSettings.h"
#include "Platform/Localization.h"
#include "Platform/NamedNotifications.h"
#include "Repositories/EarthquakeRepository.h"

#include <QVariantMap>
#include <cmath>

EarthquakeListViewModel::EarthquakeListViewModel(QObject *parent)
    : EarthquakeListViewModel(nullptr, nullptr, parent)
{
}

EarthquakeListViewModel::EarthquakeListViewModel(EarthquakeRepository *repository, NotificationSettings *settings,
                                                 QObject *parent)
    : QObject(parent)
    , m_settings(settings ? settings : NotificationSettings::shared())
{
    connect(&m_debounce, &SearchDebounce::passedOn, this, &EarthquakeListViewModel::debouncedSearchTextChanged);
    m_debounce.submit(m_searchText);  // the subscription first sees the current value

    m_periodicWait.setObjectName(QStringLiteral("periodicRefreshWait"));
    m_periodicWait.setSingleShot(true);
    m_periodicWait.setTimerType(Qt::PreciseTimer);
    connect(&m_periodicWait, &QTimer::timeout, this, &EarthquakeListViewModel::periodicWaitEnded);

    wireSubscriptions();
    if (repository)
        setRepository(repository);
}

void EarthquakeListViewModel::setRepository(EarthquakeRepository *repository)
{
    if (m_repository || !repository)
        return;  // the repository is constant once given
    m_repository = repository;
    connect(repository, &EarthquakeRepository::lastUpdatedChanged, this,
            &EarthquakeListViewModel::lastUpdatedSubtitleChanged);
    emit repositoryChanged();
    emit lastUpdatedSubtitleChanged();
}

void EarthquakeListViewModel::wireSubscriptions()
{
    // Interval changes restart the periodic refresh on a later turn of the event loop, so the
    // restart reads the setting's new value. Every assignment counts, also a repeated value.
    connect(m_settings, &NotificationSettings::refreshIntervalChanged, this, [this] {
        QMetaObject::invokeMethod(this, &EarthquakeListViewModel::startAutoRefresh, Qt::QueuedConnection);
    });
    connect(NamedNotifications::defaultCenter(), &NamedNotifications::posted, this, [this](const QString &name) {
        if (name == NamedNotifications::appDidBecomeActive)
            QMetaObject::invokeMethod(this, &EarthquakeListViewModel::onActivation, Qt::QueuedConnection);
    });
}

void EarthquakeListViewModel::onActivation()
{
    // The refresh is queued as a task of its own; the periodic refresh restarts at once, before it.
    QMetaObject::invokeMethod(this, [this] { refresh(); }, Qt::QueuedConnection);
    startAutoRefresh();
}

void EarthquakeListViewModel::setSelectedFilter(MagnitudeFilter filter)
{
    const bool wasDefault = filtersAreDefault();
    m_selectedFilter = filter;
    emit selectedFilterChanged();
    if (wasDefault != filtersAreDefault())
        emit filtersAreDefaultChanged();
}

void EarthquakeListViewModel::setSelectedDateFilter(DateFilter filter)
{
    const bool wasDefault = filtersAreDefault();
    m_selectedDateFilter = filter;
    emit selectedDateFilterChanged();
    if (wasDefault != filtersAreDefault())
        emit filtersAreDefaultChanged();
}

void EarthquakeListViewModel::setSelectedFilterRaw(const QString &raw)
{
    if (const auto f = MagnitudeFilter::fromRawValue(raw))
        setSelectedFilter(*f);
}

void EarthquakeListViewModel::setSelectedDateFilterRaw(const QString &raw)
{
    if (const auto f = DateFilter::fromRawValue(raw))
        setSelectedDateFilter(*f);
}

bool EarthquakeListViewModel::filtersAreDefault() const
{
    return m_selectedFilter == MagnitudeFilter::All && m_selectedDateFilter == DateFilter::All;
}

void EarthquakeListViewModel::resetFilters()
{
    setSelectedFilter(MagnitudeFilter::All);
    setSelectedDateFilter(DateFilter::All);
}

void EarthquakeListViewModel::setSearchText(const QString &text)
{
    m_searchText = text;
    emit searchTextChanged();
    m_debounce.submit(text);
}

std::optional<QString> EarthquakeListViewModel::lastUpdatedSubtitle() const
{
    if (!m_repository)
        return std::nullopt;
    if (!m_repository->lastUpdated())
        return std::nullopt;
    const QDateTime lastUpdated = *m_repository->lastUpdated();
    const double elapsed = lastUpdated.msecsTo(m_now()) / 1000.0;
    if (elapsed < 60)
        return L("lastupdated.now", QStringLiteral("updated just now"));
    if (elapsed < 3600) {
        return Localization::format(L("lastupdated.minutes", QStringLiteral("updated %lld min ago")),
                                    {qint64(std::trunc(elapsed / 60))});
    }
    if (elapsed < 86400) {
        return Localization::format(L("lastupdated.hours", QStringLiteral("updated %lld h ago")),
                                    {qint64(std::trunc(elapsed / 3600))});
    }
    const QString date = m_locale.toString(lastUpdated.toLocalTime(), QStringLiteral("dd MMM yyyy"));
    return Localization::format(L("lastupdated.days", QStringLiteral("updated %lld day(s) ago (%@)")),
                                {qint64(std::trunc(elapsed / 86400)), date});
}

QVariantList EarthquakeListViewModel::magnitudeChoices() const
{
    return MagnitudeFilter::choices();
}

QVariantList EarthquakeListViewModel::dateChoices() const
{
    return DateFilter::choices();
}

void EarthquakeListViewModel::refresh(std::function<void()> finished)
{
    if (!m_repository) {
        if (finished)
            finished();
        return;
    }
    m_repository->refresh(false, this, std::move(finished));
}

void EarthquakeListViewModel::onAppear()
{
    // The periodic refresh starts only once this refresh has returned.
    refresh([this] { startAutoRefresh(); });
}

void EarthquakeListViewModel::manualRefresh()
{
    if (!m_repository)
        return;
    if (m_repository->isCoolingDown())
        return;
    if (m_repository->isLoading())
        return;
    m_repository->refresh(true);
}

void EarthquakeListViewModel::startAutoRefresh()
{
    // Only the wait is replaced: a periodic refresh already running finishes undisturbed,
    // and its completion no longer schedules a wait of the old generation.
    m_periodicWait.stop();
    const std::optional<double> seconds = m_settings->refreshInterval().seconds();
    if (!seconds) {
        m_autoRefreshGeneration = 0;
        return;
    }
    m_autoRefreshGeneration = ++m_generationCounter;
    m_periodicWait.setInterval(int(std::llround(*seconds * m_msPerSecond)));
    m_periodicWait.start();
}

void EarthquakeListViewModel::stopAutoRefresh()
{
    m_periodicWait.stop();
    m_autoRefreshGeneration = 0;
}

void EarthquakeListViewModel::periodicWaitEnded()
{
    const quint64 generation = m_autoRefreshGeneration;
    if (generation == 0)
        return;
    refresh([this, generation] {
        if (m_autoRefreshGeneration == generation)
            m_periodicWait.start();  // the next wait begins when this refresh has returned
    });
}
