#pragma once

#include "Platform/Clock.h"
#include "Platform/SearchDebounce.h"
#include "Repositories/EarthquakeRepository.h"
#include "ViewModels/LatestFilters.h"

#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QtQml/qqmlregistration.h>
#include <optional>

class EarthquakeRepository;
class NotificationSettings;

// The state behind the latest-events screen: its filters, the search text with its debounced
// copy, the refresh triggers and the subtitle that tells how old the data is. It never reads
// the store; the screen's list model filters with the values published here.
class EarthquakeListViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(EarthquakeRepository *repository READ repository WRITE setRepository NOTIFY repositoryChanged)
    Q_PROPERTY(QString selectedFilter READ selectedFilterRaw WRITE setSelectedFilterRaw NOTIFY selectedFilterChanged)
    Q_PROPERTY(QString selectedDateFilter READ selectedDateFilterRaw WRITE setSelectedDateFilterRaw
                   NOTIFY selectedDateFilterChanged)
    Q_PROPERTY(bool filtersAreDefault READ filtersAreDefault NOTIFY filtersAreDefaultChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(QString debouncedSearchText READ debouncedSearchText NOTIFY debouncedSearchTextChanged)
    Q_PROPERTY(QString lastUpdatedSubtitle READ lastUpdatedSubtitleText NOTIFY lastUpdatedSubtitleChanged)
    Q_PROPERTY(QVariantList magnitudeChoices READ magnitudeChoices CONSTANT)
    Q_PROPERTY(QVariantList dateChoices READ dateChoices CONSTANT)

public:
    using MagnitudeFilter = ::MagnitudeFilter;
    using DateFilter = ::DateFilter;

    explicit EarthquakeListViewModel(QObject *parent = nullptr);
    EarthquakeListViewModel(EarthquakeRepository *repository, NotificationSettings *settings = nullptr,
                            QObject *parent = nullptr);

    EarthquakeRepository *repository() const { return m_repository; }
    void setRepository(EarthquakeRepository *repository);  // once, before use (QML creation)

    MagnitudeFilter selectedFilter() const { return m_selectedFilter; }
    void setSelectedFilter(MagnitudeFilter filter);
    DateFilter selectedDateFilter() const { return m_selectedDateFilter; }
    void setSelectedDateFilter(DateFilter filter);
    QString selectedFilterRaw() const { return m_selectedFilter.rawValue(); }
    void setSelectedFilterRaw(const QString &raw);
    QString selectedDateFilterRaw() const { return m_selectedDateFilter.rawValue(); }
    void setSelectedDateFilterRaw(const QString &raw);
    bool filtersAreDefault() const;
    Q_INVOKABLE void resetFilters();

    QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);
    QString debouncedSearchText() const { return m_debounce.passed(); }

    std::optional<QString> lastUpdatedSubtitle() const;
    QString lastUpdatedSubtitleText() const { return lastUpdatedSubtitle().value_or(QString()); }

    QVariantList magnitudeChoices() const;  // [{id, label}] in the order of allCases()
    QVariantList dateChoices() const;

    // One refresh without cooldown; `finished` runs when it has returned.
    void refresh(std::function<void()> finished = {});
    Q_INVOKABLE void onAppear();
    Q_INVOKABLE void manualRefresh();
    Q_INVOKABLE void startAutoRefresh();
    Q_INVOKABLE void stopAutoRefresh();
    bool isAutoRefreshRunning() const { return m_autoRefreshGeneration != 0; }

    // Tests pin the clock, the locale, and how long a "second" of the periodic wait lasts.
    void setNow(NowFunction now) { m_now = std::move(now); }
    void setLocale(const QLocale &locale) { m_locale = locale; }
    void setMillisecondsPerSecond(double ms) { m_msPerSecond = ms; }
    void setDebounceInterval(int ms) { m_debounce.setInterval(ms); }

signals:
    void repositoryChanged();
    void selectedFilterChanged();
    void selectedDateFilterChanged();
    void filtersAreDefaultChanged();
    void searchTextChanged();
    void debouncedSearchTextChanged();
    void lastUpdatedSubtitleChanged();

private:
    void wireSubscriptions();
    void onActivation();
    void periodicWaitEnded();

    QPointer<EarthquakeRepository> m_repository;
    NotificationSettings *m_settings = nullptr;
    MagnitudeFilter m_selectedFilter;
    DateFilter m_selectedDateFilter;
    QString m_searchText;
    SearchDebounce m_debounce{this};
    QTimer m_periodicWait{this};  // named children: tests watch the waits instead of sleeping
    quint64 m_autoRefreshGeneration = 0;  // 0: stopped
    quint64 m_generationCounter = 0;
    NowFunction m_now = systemNow;
    QLocale m_locale;
    double m_msPerSecond = 1000.0;
};
