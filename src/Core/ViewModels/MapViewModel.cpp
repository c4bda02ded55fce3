#include "MapViewModel.h"

#include "Models/Region.h"
#include "Repositories/EarthquakeRepository.h"

#include <QVariantMap>

MapViewModel::MapViewModel(QObject *parent) : MapViewModel(nullptr, parent) {}

MapViewModel::MapViewModel(EarthquakeRepository *repository, QObject *parent) : QObject(parent)
{
    if (repository)
        setRepository(repository);
}

void MapViewModel::setRepository(EarthquakeRepository *repository)
{
    if (m_repository || !repository)
        return;  // the repository is constant once given
    m_repository = repository;
    emit repositoryChanged();
}

void MapViewModel::setSelectedFilter(MagnitudeFilter filter)
{
    const bool wasDefault = filtersAreDefault();
    m_selectedFilter = filter;
    emit selectedFilterChanged();
    if (wasDefault != filtersAreDefault())
        emit filtersAreDefaultChanged();
}

void MapViewModel::setSelectedDateFilter(DateFilter filter)
{
    const bool wasDefault = filtersAreDefault();
    m_selectedDateFilter = filter;
    emit selectedDateFilterChanged();
    if (wasDefault != filtersAreDefault())
        emit filtersAreDefaultChanged();
}

void MapViewModel::setSelectedFilterRaw(const QString &raw)
{
    if (const auto f = MagnitudeFilter::fromRawValue(raw))
        setSelectedFilter(*f);
}

void MapViewModel::setSelectedDateFilterRaw(const QString &raw)
{
    if (const auto f = DateFilter::fromRawValue(raw))
        setSelectedDateFilter(*f);
}

void MapViewModel::setSelectedEarthquake(const EarthquakeItem &earthquake)
{
    m_selectedEarthquake = earthquake;
    emit selectedEarthquakeChanged();
}

bool MapViewModel::filtersAreDefault() const
{
    return m_selectedFilter == MagnitudeFilter::All && m_selectedDateFilter == DateFilter::All;
}

void MapViewModel::resetFilters()
{
    setSelectedFilter(MagnitudeFilter::All);
    setSelectedDateFilter(DateFilter::All);
}

QVariantList MapViewModel::magnitudeChoices() const
{
    return MagnitudeFilter::choices();
}

QVariantList MapViewModel::dateChoices() const
{
    return DateFilter::choices();
}

void MapViewModel::onAppear()
{
    if (m_repository)
        m_repository->refresh(false);
}

CoordinateRegion MapViewModel::region() const
{
    return Region::canaryIslands().mapRegion();
}
