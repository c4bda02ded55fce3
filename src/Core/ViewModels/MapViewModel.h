#pragma once

#include "ViewModels/EarthquakeItem.h"
#include "Platform/Geo.h"
#include "Repositories/EarthquakeRepository.h"
#include "ViewModels/LatestFilters.h"

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class EarthquakeRepository;

// The map screen's own state: its magnitude and date filters (independent of the list
// screen's) and the selected event, plus one refresh each time the screen appears. It does no
// filtering; MapEarthquakesModel applies the filters published here.
class MapViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(EarthquakeRepository *repository READ repository WRITE setRepository NOTIFY repositoryChanged)
    Q_PROPERTY(QString selectedFilter READ selectedFilterRaw WRITE setSelectedFilterRaw NOTIFY selectedFilterChanged)
    Q_PROPERTY(QString selectedDateFilter READ selectedDateFilterRaw WRITE setSelectedDateFilterRaw
                   NOTIFY selectedDateFilterChanged)
    Q_PROPERTY(EarthquakeItem selectedEarthquake READ selectedEarthquake WRITE setSelectedEarthquake
                   NOTIFY selectedEarthquakeChanged)
    Q_PROPERTY(bool filtersAreDefault READ filtersAreDefault NOTIFY filtersAreDefaultChanged)
    Q_PROPERTY(QVariantList magnitudeChoices READ magnitudeChoices CONSTANT)
    Q_PROPERTY(QVariantList dateChoices READ dateChoices CONSTANT)
    Q_PROPERTY(CoordinateRegion region READ region CONSTANT)

public:
    explicit MapViewModel(QObject *parent = nullptr);
    explicit MapViewModel(EarthquakeRepository *repository, QObject *parent = nullptr);

    EarthquakeRepository *repository() const { return m_repository; }
    void setRepository(EarthquakeRepository *repository);  // once, before use (QML creation)

    // Every assignment is announced, also of the value already held.
    MagnitudeFilter selectedFilter() const { return m_selectedFilter; }
    void setSelectedFilter(MagnitudeFilter filter);
    DateFilter selectedDateFilter() const { return m_selectedDateFilter; }
    void setSelectedDateFilter(DateFilter filter);
    QString selectedFilterRaw() const { return m_selectedFilter.rawValue(); }
    void setSelectedFilterRaw(const QString &raw);
    QString selectedDateFilterRaw() const { return m_selectedDateFilter.rawValue(); }
    void setSelectedDateFilterRaw(const QString &raw);
    EarthquakeItem selectedEarthquake() const { return m_selectedEarthquake; }
    void setSelectedEarthquake(const EarthquakeItem &earthquake);
    Q_INVOKABLE void clearSelection() { setSelectedEarthquake(EarthquakeItem()); }

    bool filtersAreDefault() const;
    Q_INVOKABLE void resetFilters();
    QVariantList magnitudeChoices() const;  // [{id, label}] in the order of allCases()
    QVariantList dateChoices() const;

    // Where the map's camera starts: the monitored region's map region.
    CoordinateRegion region() const;

    // One refresh of the repository without cooldown; nothing waits for it.
    Q_INVOKABLE void onAppear();

signals:
    void repositoryChanged();
    void selectedFilterChanged();
    void selectedDateFilterChanged();
    void selectedEarthquakeChanged();
    void filtersAreDefaultChanged();

private:
    QPointer<EarthquakeRepository> m_repository;
    MagnitudeFilter m_selectedFilter;
    DateFilter m_selectedDateFilter;
    EarthquakeItem m_selectedEarthquake;
};
