#pragma once

#include "Persistence/EarthquakeSnapshot.h"
#include "Platform/Clock.h"
#include "ViewModels/StatsComputation.h"
#include "ViewModels/StatsRecords.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <optional>

class ModelContext;
template <typename T>
class QFutureWatcher;

// Every figure of the statistics screen, recomputed from all stored events (the store's
// snapshot) on each update(). The figures are computed on a worker thread from the snapshot's
// published data, and only the result is published, on the main thread: each of the nine
// figures announces every assignment, also of an equal value, once per published update and in
// the order they are computed. An update asked for while one computes supersedes it. While the
// snapshot is not loaded yet an update starts its load and publishes nothing: the screen keeps
// its empty state until the snapshot's change notice asks again. The figures keep the instant
// of the last update: they do not age by themselves. While inactive (its screen hidden) it
// neither polls nor computes: an update asked meanwhile is dropped, and becoming active updates.
class StatsViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(ModelContext *context READ context WRITE setContext NOTIFY contextChanged)
    Q_PROPERTY(EarthquakeSnapshot *snapshot READ snapshot NOTIFY contextChanged)
    Q_PROPERTY(bool hasEvents READ hasEvents NOTIFY hasEventsChanged)  // in the last update
    // While on screen: the snapshot looks for other writers' changes every few seconds, and
    // updates compute.
    Q_PROPERTY(bool active READ isActive WRITE setActive NOTIFY activeChanged)
    // When valid, "now" of every update (renders and tests pin the clock).
    Q_PROPERTY(QDateTime pinnedNow READ pinnedNow WRITE setPinnedNow NOTIFY pinnedNowChanged)
    Q_PROPERTY(int countLastHour READ countLastHour NOTIFY countLastHourChanged)
    Q_PROPERTY(int countLast24h READ countLast24h NOTIFY countLast24hChanged)
    Q_PROPERTY(int countLast7d READ countLast7d NOTIFY countLast7dChanged)
    Q_PROPERTY(int countLast30d READ countLast30d NOTIFY countLast30dChanged)
    Q_PROPERTY(QVariant peakLast24h READ peakLast24hValue NOTIFY peakLast24hChanged)        // PeakEvent or null
    Q_PROPERTY(QVariant peakLast7d READ peakLast7dValue NOTIFY peakLast7dChanged)          // PeakEvent or null
    Q_PROPERTY(QVariantList magnitudeStats READ magnitudeStatsValue NOTIFY magnitudeStatsChanged)
    Q_PROPERTY(QVariantList topClusters READ topClustersValue NOTIFY topClustersChanged)
    Q_PROPERTY(QVariant depthStat READ depthStatValue NOTIFY depthStatChanged)              // DepthStat or null
public:
    explicit StatsViewModel(QObject *parent = nullptr);
    ~StatsViewModel() override;

    ModelContext *context() const { return m_context; }
    void setContext(ModelContext *context);
    EarthquakeSnapshot *snapshot() const { return m_snapshot; }

    // Recomputes every figure from the snapshot's rows, with "now" taken once; also looks for
    // other writers' changes (the screen updates when it appears).
    Q_INVOKABLE void update();
    bool isComputing() const { return m_computing != nullptr; }
    bool isActive() const { return m_active; }
    void setActive(bool active);
    void setNow(NowFunction now) { m_now = std::move(now); }
    QDateTime pinnedNow() const { return m_pinnedNow; }
    void setPinnedNow(const QDateTime &now);

    bool hasEvents() const { return m_hasEvents; }
    int countLastHour() const { return m_countLastHour; }
    int countLast24h() const { return m_countLast24h; }
    int countLast7d() const { return m_countLast7d; }
    int countLast30d() const { return m_countLast30d; }
    const std::optional<PeakEvent> &peakLast24h() const { return m_peakLast24h; }
    const std::optional<PeakEvent> &peakLast7d() const { return m_peakLast7d; }
    const QList<MagnitudeStat> &magnitudeStats() const { return m_magnitudeStats; }
    const QList<ClusterStat> &topClusters() const { return m_topClusters; }
    const std::optional<DepthStat> &depthStat() const { return m_depthStat; }

    QVariant peakLast24hValue() const;
    QVariant peakLast7dValue() const;
    QVariantList magnitudeStatsValue() const;
    QVariantList topClustersValue() const;
    QVariant depthStatValue() const;

signals:
    void contextChanged();
    void activeChanged();
    void pinnedNowChanged();
    void hasEventsChanged();
    void countLastHourChanged();
    void countLast24hChanged();
    void countLast7dChanged();
    void countLast30dChanged();
    void peakLast24hChanged();
    void peakLast7dChanged();
    void magnitudeStatsChanged();
    void topClustersChanged();
    void depthStatChanged();

private:
    using Figures = StatsComputation::Figures;
    void compute(EarthquakeSnapshot::DataPtr data);
    void computed(const EarthquakeSnapshot::DataPtr &data, const Figures &figures);
    void publish(const EarthquakeSnapshot::DataPtr &data, const Figures &f);

    QPointer<ModelContext> m_context;
    QPointer<EarthquakeSnapshot> m_snapshot;
    NowFunction m_now = systemNow;
    QDateTime m_pinnedNow;
    bool m_active = true;
    QFutureWatcher<Figures> *m_computing = nullptr;
    // Used by one computation at a time; shared so that one still running keeps it.
    std::shared_ptr<StatsComputation::Scratch> m_scratch = std::make_shared<StatsComputation::Scratch>();
    bool m_superseded = false;

    bool m_hasEvents = false;
    int m_countLastHour = 0;
    int m_countLast24h = 0;
    int m_countLast7d = 0;
    int m_countLast30d = 0;
    std::optional<PeakEvent> m_peakLast24h;
    std::optional<PeakEvent> m_peakLast7d;
    QList<MagnitudeStat> m_magnitudeStats;
    QList<ClusterStat> m_topClusters;
    std::optional<DepthStat> m_depthStat;
};
