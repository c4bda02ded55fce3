#include "StatsViewModel.h"

#include "Persistence/EarthquakeSnapshot.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "ViewModels/StatsComputation.h"

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

void StatsViewModel::setContext(ModelContext *context)
{
    if (m_context == context)
        return;
    m_context = context;
    m_snapshot = context && context->container() ? context->container()->snapshot() : nullptr;
    emit contextChanged();
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
    static const std::vector<EarthquakeSnapshot::Row> noRows;
    static const std::vector<QString> noNames;
    const auto &rows = m_snapshot ? m_snapshot->rows() : noRows;
    const auto &names = m_snapshot ? m_snapshot->placeNames() : noNames;
    const qint64 now = (m_pinnedNow.isValid() ? m_pinnedNow : m_now()).toMSecsSinceEpoch();
    const StatsComputation::Figures f = StatsComputation::compute(rows, names, now);

    const auto peak = [&](const std::optional<size_t> &row) -> std::optional<PeakEvent> {
        if (!row)
            return std::nullopt;
        auto record = m_snapshot->record(rows[*row]);
        if (!record)
            return std::nullopt;
        return PeakEvent(EarthquakeItem(std::make_shared<Earthquake>(std::move(*record))));
    };
    std::optional<PeakEvent> peakLast24h = peak(f.peakLast24h);
    std::optional<PeakEvent> peakLast7d = f.peakLast7d == f.peakLast24h ? peakLast24h : peak(f.peakLast7d);

    if (m_hasEvents != !rows.empty()) {
        m_hasEvents = !rows.empty();
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
