#include "MapEarthquakesModel.h"

#include "Models/MagnitudeCategory.h"
#include "Persistence/EarthquakeSnapshot.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "ViewModels/MapViewModel.h"

#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <bit>
#include <charconv>
#include <cstring>

// The per-event marker data of a snapshot, kept by it: it lives as long as the snapshot and
// outlives the screens, so entering the map again finds it ready.
struct MapMarkerCache {
    std::shared_ptr<const MarkerData> data;
    std::vector<quint8> category;      // MagnitudeCategory per entry
    QHash<quint64, int> styleByLabel;  // category and label bytes -> style
    QHash<quint64, int> styleByValue;  // magnitude bits -> style: catalogues repeat a few values
};

MapMarkerCache *MapEarthquakesModel::cache() const
{
    return m_snapshot ? &m_snapshot->derived<MapMarkerCache>() : nullptr;
}

MapEarthquakesModel::MapEarthquakesModel(QObject *parent) : QObject(parent)
{
    m_tick.setInterval(60000);
    connect(&m_tick, &QTimer::timeout, this, &MapEarthquakesModel::recompute);
}

void MapEarthquakesModel::setContext(ModelContext *context)
{
    if (context == m_context)
        return;
    m_context = context;
    disconnect(m_snapshotConnection);
    if (m_snapshot)
        m_snapshot->setWatching(this, false);
    m_snapshot = context && context->container() ? context->container()->snapshot() : nullptr;
    m_data.reset();
    if (m_snapshot) {
        m_snapshotConnection = connect(m_snapshot, &EarthquakeSnapshot::changed, this,
                                       &MapEarthquakesModel::snapshotChanged);
        m_snapshot->setWatching(this, m_active);
    }
    emit contextChanged();
    recompute();
}

void MapEarthquakesModel::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    if (m_snapshot)
        m_snapshot->setWatching(this, active);
    emit activeChanged();
    if (active)
        recompute();  // what changed while hidden, and the date filter's cutoff of this moment
    else
        m_tick.stop();
}

void MapEarthquakesModel::setViewModel(MapViewModel *viewModel)
{
    if (viewModel == m_viewModel)
        return;
    if (m_viewModel)
        disconnect(m_viewModel, nullptr, this, nullptr);
    m_viewModel = viewModel;
    if (viewModel) {
        connect(viewModel, &MapViewModel::selectedFilterChanged, this, &MapEarthquakesModel::recompute);
        connect(viewModel, &MapViewModel::selectedDateFilterChanged, this, &MapEarthquakesModel::recompute);
        connect(viewModel, &MapViewModel::selectedEarthquakeChanged, this, &MapEarthquakesModel::updateSelected);
    }
    emit viewModelChanged();
    recompute();
}

EarthquakeSnapshot *MapEarthquakesModel::snapshot() const { return m_snapshot; }

void MapEarthquakesModel::snapshotChanged()
{
    recompute();
}

int MapEarthquakesModel::styleFor(double magnitude, MarkerData &data, MapMarkerCache *c)
{
    const quint64 bits = std::bit_cast<quint64>(magnitude);
    if (const auto it = c->styleByValue.constFind(bits); it != c->styleByValue.cend())
        return *it;
    const int style = styleForText(magnitude, data, c);
    c->styleByValue.insert(bits, style);
    return style;
}

int MapEarthquakesModel::styleForText(double magnitude, MarkerData &data, MapMarkerCache *c)
{
    QHash<quint64, int> &styleByLabel = c->styleByLabel;
    const MagnitudeCategory category = MagnitudeCategory::from(magnitude);
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, 1);
    const size_t length = ec == std::errc() ? size_t(end - buf) : 0;
    // the colour follows the unrounded value, the label its rounding: both are the key
    if (length > 0 && length <= 7) {
        quint64 key = 0;
        std::memcpy(&key, buf, length);  // up to 7 bytes of text, one key per text on any byte order
        key |= quint64(category.value()) << 56;
        if (const auto it = styleByLabel.constFind(key); it != styleByLabel.cend())
            return *it;
        const int style =
            data.addStyle({category.color(), MarkerData::kDiameter, QString::fromLatin1(buf, qsizetype(length))});
        styleByLabel.insert(key, style);
        return style;
    }
    return data.addStyle({category.color(), MarkerData::kDiameter,
                          length ? QString::fromLatin1(buf, qsizetype(length)) : QString()});
}

bool MapEarthquakesModel::inSync(const std::vector<EarthquakeSnapshot::Row> &rows, const MapMarkerCache &c)
{
    const std::shared_ptr<const MarkerData> &current = c.data;
    return current && current->size() == rows.size()
        && (rows.empty() || (current->key(0) == rows.front().rowId && current->key(rows.size() - 1) == rows.back().rowId));
}

// Brings the per-event data in line with the snapshot's rows. Rows only ever join the store, and
// the snapshot keeps its order, so the old entries are walked alongside the new rows: an entry
// whose row is still next is copied, any other row is computed afresh.
void MapEarthquakesModel::syncInto(const std::vector<EarthquakeSnapshot::Row> &rows, MapMarkerCache &c)
{
    if (inSync(rows, c))
        return;
    auto data = std::make_shared<MarkerData>();
    std::vector<quint8> category;
    data->reserve(rows.size());
    category.reserve(rows.size());
    const MarkerData *old = c.data.get();
    if (old)
        data->copyStyles(*old);
    size_t j = 0;
    for (const EarthquakeSnapshot::Row &row : rows) {
        if (old && j < old->size() && old->key(j) == row.rowId) {
            data->appendEntry(*old, j);
            category.push_back(c.category[j]);
            ++j;
            continue;
        }
        data->append(row.rowId, row.latitude, row.longitude, styleFor(row.magnitude, *data, &c));
        category.push_back(quint8(MagnitudeCategory::from(row.magnitude).value()));
    }
    c.data = std::move(data);
    c.category = std::move(category);
}

void MapEarthquakesModel::syncData()
{
    syncInto(m_data->rows, *cache());
}

void MapEarthquakesModel::prepareInBackground(const EarthquakeSnapshot::DataPtr &data)
{
    MapMarkerCache *c = cache();
    if (m_preparing || inSync(data->rows, *c))
        return;
    m_preparing = true;
    // The worker extends a copy; it is taken only if no one synced the shared one meanwhile.
    auto work = std::make_shared<MapMarkerCache>(*c);
    const std::shared_ptr<const MarkerData> base = c->data;
    auto *watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcher<void>::finished, this,
            [this, watcher, work, base, snapshot = QPointer<EarthquakeSnapshot>(m_snapshot)] {
                watcher->deleteLater();
                m_preparing = false;
                if (!snapshot || snapshot != m_snapshot)
                    return;
                if (cache()->data == base)
                    *cache() = std::move(*work);
                if (!m_active)
                    recompute();  // the snapshot may have moved on meanwhile
            });
    watcher->setFuture(QtConcurrent::run(QThreadPool::globalInstance(), [data, work] { syncInto(data->rows, *work); }));
}

void MapEarthquakesModel::recompute()
{
    if (!m_active) {
        // Ready for the appearance, off this thread: the events, then their per-event data.
        if (m_snapshot) {
            if (EarthquakeSnapshot::DataPtr data = m_snapshot->data())
                prepareInBackground(data);
            else
                m_snapshot->startLoading();
        }
        return;  // activation recomputes
    }
    auto shown = std::make_shared<std::vector<quint32>>();
    qint64 newestRow = -1;
    const bool dated = m_viewModel && m_viewModel->selectedDateFilter() != DateFilter::All;
    std::shared_ptr<const MarkerData> data;
    if (m_snapshot) {
        // Appearing: another writer may have changed the store meanwhile.
        m_snapshot->checkForChanges();
        m_data = m_snapshot->data();
        if (!m_data)
            m_snapshot->startLoading();  // an empty map until the snapshot's change notice
    }
    if (m_data) {
        syncData();
        const std::vector<EarthquakeSnapshot::Row> &rows = m_data->rows;
        const std::vector<quint8> &categories = cache()->category;
        data = cache()->data;
        std::optional<MagnitudeCategory> category;
        std::optional<QDateTime> cutoff;
        if (m_viewModel) {
            category = m_viewModel->selectedFilter().category();
            cutoff = m_viewModel->selectedDateFilter().cutoffDate(m_now());
        }
        const int wanted = category ? int(category->value()) : -1;
        const qint64 cutoffMs = cutoff ? cutoff->toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
        // oldest first: the layer draws later entries above earlier ones, newer above older
        shown->reserve(rows.size());
        for (size_t i = rows.size(); i-- > 0;) {
            if (wanted >= 0 && categories[i] != wanted)
                continue;
            if (rows[i].dateMs < cutoffMs)
                continue;
            shown->push_back(quint32(i));
        }
        if (!shown->empty())
            newestRow = rows[shown->back()].rowId;
    }
    // The same events shown again keep the set the layer holds, so that an appearance, a
    // filter chosen again or the minute's tick builds no new batch of markers.
    if (data != m_set.data() || !m_set.shown() || *shown != *m_set.shown())
        m_set = MarkerSet(std::move(data), std::move(shown));
    if (dated && !m_tick.isActive())
        m_tick.start();
    else if (!dated)
        m_tick.stop();
    emit markersChanged();
    if (newestRow != m_newestRow) {
        m_newestRow = newestRow;
        m_newest = earthquakeFor(newestId());
        emit newestChanged();
    }
    updateSelected();
}

void MapEarthquakesModel::updateSelected()
{
    QString id;
    if (m_viewModel && m_viewModel->selectedEarthquake().isValid() && m_set.data()) {
        const qint64 row = m_viewModel->selectedEarthquake().earthquake()->id().value;
        // shown when it passes the filters: look among the shown entries
        const MarkerData &data = *m_set.data();
        for (quint32 e : *m_set.shown()) {
            if (data.key(e) == row) {
                id = QString::number(row);
                break;
            }
        }
    }
    if (id != m_selectedId) {
        m_selectedId = id;
        emit selectedIdChanged();
    }
}

std::vector<qint64> MapEarthquakesModel::shownRows() const
{
    std::vector<qint64> out;
    if (!m_set.shown())
        return out;
    out.reserve(m_set.shown()->size());
    for (auto it = m_set.shown()->crbegin(); it != m_set.shown()->crend(); ++it)
        out.push_back(m_set.data()->key(*it));
    return out;
}

EarthquakeItem MapEarthquakesModel::earthquakeFor(const QString &id) const
{
    bool ok = false;
    const qint64 rowId = id.toLongLong(&ok);
    if (!ok || !m_snapshot || !m_data)
        return {};
    for (const EarthquakeSnapshot::Row &row : m_data->rows) {
        if (row.rowId == rowId) {
            if (auto record = m_snapshot->record(row))
                return EarthquakeItem(std::make_shared<Earthquake>(std::move(*record)));
            return {};
        }
    }
    return {};
}
