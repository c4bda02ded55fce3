#include "LatestEarthquakesModel.h"

#include "Models/TimeWindows.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/Localization.h"
#include "Platform/TextSearch.h"
#include "ViewModels/EarthquakeItem.h"
#include "ViewModels/EarthquakeListViewModel.h"

#include <utility>

namespace {
constexpr int kSectionCount = 3;
const char *const kSectionIds[kSectionCount] = {"24h", "7d", "30d"};
}  // namespace

LatestEarthquakesModel::LatestEarthquakesModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

void LatestEarthquakesModel::setContext(ModelContext *context)
{
    if (m_context == context)
        return;
    if (m_storeConnection)
        disconnect(m_storeConnection);
    m_context = context;
    if (context) {
        m_storeConnection = connect(context->container(), &ModelContainer::didSave, this,
                                    &LatestEarthquakesModel::storeSaved);
    }
    emit contextChanged();
    reload();
}

void LatestEarthquakesModel::setViewModel(EarthquakeListViewModel *viewModel)
{
    if (m_viewModel == viewModel)
        return;
    if (m_viewModel)
        disconnect(m_viewModel, nullptr, this, nullptr);
    m_viewModel = viewModel;
    if (viewModel) {
        connect(viewModel, &EarthquakeListViewModel::selectedFilterChanged, this, &LatestEarthquakesModel::recompute);
        connect(viewModel, &EarthquakeListViewModel::selectedDateFilterChanged, this,
                &LatestEarthquakesModel::recompute);
        connect(viewModel, &EarthquakeListViewModel::debouncedSearchTextChanged, this,
                &LatestEarthquakesModel::recompute);
    }
    emit viewModelChanged();
    recompute();
}

void LatestEarthquakesModel::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    emit activeChanged();
    if (!active)
        return;
    if (std::exchange(m_savedWhileInactive, false))
        reload();
    else
        recompute();  // the sections of this moment
}

void LatestEarthquakesModel::storeSaved()
{
    if (!m_active) {
        m_savedWhileInactive = true;  // read once the screen shows again, not for a hidden one
        return;
    }
    reload();
}

void LatestEarthquakesModel::reload()
{
    m_savedWhileInactive = false;
    QList<Entry> all;
    bool empty = true;
    if (m_context) {
        // Nothing older than thirty days is ever listed, so the query stops there.
        FetchDescriptor recent;
        recent.dateFrom = m_now().addSecs(-TimeWindows::month);
        recent.sortByDate = SortOrder::Reverse;
        const auto fetched = m_context->fetch(recent);  // a failed read lists nothing
        if (fetched) {
            all.reserve(fetched->size());
            for (const EarthquakePtr &e : *fetched)
                all.append({e, TextSearch::fold(e->location())});
        }
        if (!all.isEmpty()) {
            empty = false;
        } else {
            FetchDescriptor any;
            any.fetchLimit = 1;
            const auto count = m_context->fetchCount(any);
            empty = !count || *count == 0;
        }
    }
    m_all = std::move(all);
    if (empty != m_storeIsEmpty) {
        m_storeIsEmpty = empty;
        emit storeIsEmptyChanged();
    }
    recompute();
}

void LatestEarthquakesModel::recompute()
{
    const QDateTime now = m_now();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    const qint64 cutoffs[kSectionCount] = {nowMs - TimeWindows::day * 1000, nowMs - TimeWindows::week * 1000,
                                           nowMs - TimeWindows::month * 1000};

    std::optional<MagnitudeCategory> category;
    std::optional<qint64> dateCutoff;
    QString needle;
    if (m_viewModel) {
        category = m_viewModel->selectedFilter().category();
        if (const auto cutoff = m_viewModel->selectedDateFilter().cutoffDate(now))
            dateCutoff = cutoff->toMSecsSinceEpoch();
        needle = TextSearch::fold(TextSearch::trimSpacesAndTabs(m_viewModel->debouncedSearchText()));
    }

    QList<Row> rows;
    rows.reserve(m_all.size());
    int sectionCounts[kSectionCount] = {0, 0, 0};
    for (int i = 0; i < m_all.size(); ++i) {
        const Entry &entry = m_all.at(i);
        const Earthquake &e = *entry.earthquake;
        if (category && e.magnitudeCategory() != *category)
            continue;
        const qint64 date = e.dateMs();
        if (dateCutoff && date < *dateCutoff)
            continue;
        if (!needle.isEmpty() && !entry.foldedLocation.contains(needle))
            continue;
        int section = -1;
        for (int s = 0; s < kSectionCount; ++s) {
            if (date >= cutoffs[s]) {
                section = s;
                break;
            }
        }
        if (section < 0)
            continue;  // older than thirty days
        rows.append({i, section});
        ++sectionCounts[section];
    }
    // Rows come newest first, so each section's rows are contiguous and in section order.
    QList<Section> sections;
    QList<int> sectionIndex(kSectionCount, -1);
    for (int s = 0; s < kSectionCount; ++s) {
        if (sectionCounts[s] == 0)
            continue;
        sectionIndex[s] = int(sections.size());
        const QString id = QString::fromLatin1(kSectionIds[s]);
        sections.append({id, sectionTitle(id, now, m_locale), {}});
    }
    for (Row &r : rows)
        r.section = sectionIndex[r.section];

    // Compared by record, not by position: after a reload the positions index another list.
    QList<RowKey> keys;
    keys.reserve(rows.size());
    for (const Row &r : rows)
        keys.append({m_all.at(r.entry).earthquake.get(), r.section});
    const bool sameRows = keys == m_rowKeys;
    m_rowKeys = std::move(keys);
    if (sameRows) {
        m_rows = std::move(rows);
        m_sections = std::move(sections);
        if (!m_rows.isEmpty())
            emit dataChanged(index(0), index(int(m_rows.size()) - 1), {SectionTitleRole});
    } else {
        beginResetModel();
        m_rows = std::move(rows);
        m_sections = std::move(sections);
        endResetModel();
        emit countChanged();
    }
    emit sectionsChanged();
}

QStringList LatestEarthquakesModel::sectionIds() const
{
    QStringList ids;
    for (const Section &s : m_sections)
        ids << s.id;
    return ids;
}

QList<LatestEarthquakesModel::Section> LatestEarthquakesModel::sections() const
{
    QList<Section> out = m_sections;
    for (const Row &r : m_rows)
        out[r.section].items.append(m_all.at(r.entry).earthquake);
    return out;
}

EarthquakeList LatestEarthquakesModel::filteredEarthquakes() const
{
    EarthquakeList out;
    out.reserve(m_rows.size());
    for (const Row &r : m_rows)
        out.append(m_all.at(r.entry).earthquake);
    return out;
}

QString LatestEarthquakesModel::sectionTitle(const QString &id, const QDateTime &now, const QLocale &locale)
{
    auto day = [&](const QDateTime &t) { return locale.toString(t.toLocalTime(), QStringLiteral("d MMM yyyy")); };
    if (id == QLatin1String("24h"))
        return Localization::format(L("list.section.24h", QStringLiteral("Last 24h \u2013 %@")), {day(now)});
    if (id == QLatin1String("7d")) {
        return Localization::format(L("list.section.7d", QStringLiteral("Last 7 days \u2013 %@ \u2013 %@")),
                                    {day(now.addSecs(-TimeWindows::week)), day(now)});
    }
    if (id == QLatin1String("30d")) {
        return Localization::format(L("list.section.30d", QStringLiteral("Last 30 days \u2013 %@ \u2013 %@")),
                                    {day(now.addSecs(-TimeWindows::month)), day(now.addSecs(-TimeWindows::week))});
    }
    return id;
}

int LatestEarthquakesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant LatestEarthquakesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows.at(index.row());
    const EarthquakePtr &e = m_all.at(row.entry).earthquake;
    switch (role) {
    case MagnitudeRole: return e->magnitude();
    case LocationRole:
    case Qt::DisplayRole: return e->location();
    case DateRole: return e->date();
    case SectionIdRole: return m_sections.at(row.section).id;
    case SectionTitleRole: return m_sections.at(row.section).title;
    case EarthquakeRole: return QVariant::fromValue(EarthquakeItem(e));
    default: return {};
    }
}

QHash<int, QByteArray> LatestEarthquakesModel::roleNames() const
{
    return {
        {MagnitudeRole, "magnitude"},     {LocationRole, "location"},         {DateRole, "date"},
        {SectionIdRole, "sectionId"},     {SectionTitleRole, "sectionTitle"}, {EarthquakeRole, "earthquake"},
    };
}
