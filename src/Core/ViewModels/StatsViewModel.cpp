#include "StatsViewModel.h"

#include "Persistence/EarthquakeSnapshot.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "ViewModels/StatsComputation.h"

#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace {

template <typename T>
QVariant optionalValue(const std::optional<T> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}

template <typename T>
QVariantList listValue(const QList<T> &list)
{
    QVariantList out;
    out.reserve(list.size());
    for (const T &item : list)
        out.append(QVariant::fromValue(item));
    return out;
}

}  // namespace

StatsViewModel::StatsViewModel(QObject *parent)
    : QObject(parent)
{
}

// A computation still running reads only its own share of the snapshot's data; its watcher,
// a child, goes with this object and nothing is published.
StatsViewModel::~StatsViewModel() = default;

void StatsViewModel::setContext(ModelContext *context)
{
    if (m_context == context)
        return;
    if (m_snapshot)
        m_snapshot->setWatching(this, false);
    m_context = context;
    m_snapshot = context && context->container() ? context->container()->snapshot() : nullptr;
    if (m_snapshot)
        m_snapshot->setWatching(this, m_active);
    emit contextChanged();
}

void StatsViewModel::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    if (m_snapshot)
        m_snapshot->setWatching(this, active);
    emit activeChanged();
    if (active)
        update();  // as a screen computes when it appears
}

void StatsViewModel::setPinnedNow(const QDateTime &now)
{
    if (m_pinnedNow == now && m_pinnedNow.isValid() == now.isValid())
        return;
    m_pinnedNow = now;
    emit pinnedNowChanged();
}

void StatsViewModel::update()
{
    if (!m_active)
        return;  // activation updates
    if (!m_snapshot) {
        publish(nullptr, {});  // no store: the figures of no events
        return;
    }
    m_snapshot->checkForChanges();
    EarthquakeSnapshot::DataPtr data = m_snapshot->data();
    if (!data) {
        m_snapshot->startLoading();
        return;
    }
    if (m_computing) {
        m_superseded = true;
        return;
    }
    compute(std::move(data));
}

void StatsViewModel::compute(EarthquakeSnapshot::DataPtr data)
{
    const qint64 now = (m_pinnedNow.isValid() ? m_pinnedNow : m_now()).toMSecsSinceEpoch();
    m_superseded = false;
    m_computing = new QFutureWatcher<Figures>(this);
    connect(m_computing, &QFutureWatcher<Figures>::finished, this, [this, data, watcher = m_computing] {
        watcher->deleteLater();
        m_computing = nullptr;
        computed(data, watcher->result());
    });
    m_computing->setFuture(QtConcurrent::run(QThreadPool::globalInstance(), [data, now, scratch = m_scratch] {
        return StatsComputation::compute(data->rows, data->places, now, scratch.get());
    }));
}

void StatsViewModel::computed(const EarthquakeSnapshot::DataPtr &data, const Figures &figures)
{
    if (m_superseded && m_snapshot && m_snapshot->data()) {
        compute(m_snapshot->data());  // the newer request's figures, not these
        return;
    }
    publish(data, figures);
}

void StatsViewModel::publish(const EarthquakeSnapshot::DataPtr &data, const Figures &f)
{
    const auto peak = [&](const std::optional<size_t> &row) -> std::optional<PeakEvent> {
        if (!row || !m_snapshot)
            return std::nullopt;
        // A record gone or changed by another writer makes the snapshot bring the change in,
        // and its notice brings the next update.
        auto record = m_snapshot->record(data->rows[*row]);
        if (!record)
            return std::nullopt;
        return PeakEvent(EarthquakeItem(std::make_shared<Earthquake>(std::move(*record))));
    };
    std::optional<PeakEvent> peakLast24h = peak(f.peakLast24h);
    std::optional<PeakEvent> peakLast7d = f.peakLast7d == f.peakLast24h ? peakLast24h : peak(f.peakLast7d);

    const bool hasEvents = data && !data->rows.empty();
    if (m_hasEvents != hasEvents) {
        m_hasEvents = hasEvents;
        emit hasEventsChanged();
    }
    // Every assignment announces itself, in the order of the computation's steps.
    m_countLastHour = f.countLastHour;
    emit countLastHourChanged();
    m_countLast24h = f.countLast24h;
    emit countLast24hChanged();
    m_countLast7d = f.countLast7d;
    emit countLast7dChanged();
    m_countLast30d = f.countLast30d;
    emit countLast30dChanged();
    m_peakLast24h = std::move(peakLast24h);
    emit peakLast24hChanged();
    m_peakLast7d = std::move(peakLast7d);
    emit peakLast7dChanged();
    m_magnitudeStats = f.magnitudeStats;
    emit magnitudeStatsChanged();
    m_topClusters = f.topClusters;
    emit topClustersChanged();
    m_depthStat = f.depthStat;
    emit depthStatChanged();
}

QVariant StatsViewModel::peakLast24hValue() const { return optionalValue(m_peakLast24h); }
QVariant StatsViewModel::peakLast7dValue() const { return optionalValue(m_peakLast7d); }
QVariantList StatsViewModel::magnitudeStatsValue() const { return listValue(m_magnitudeStats); }
QVariantList StatsViewModel::topClustersValue() const { return listValue(m_topClusters); }
QVariant StatsViewModel::depthStatValue() const { return optionalValue(m_depthStat); }
