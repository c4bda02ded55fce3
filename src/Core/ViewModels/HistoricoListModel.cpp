#include "HistoricoListModel.h"

#include "ViewModels/EarthquakeItem.h"

HistoricoListModel::HistoricoListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

void HistoricoListModel::resetRows(QList<HistoricoRow> rows)
{
    const bool countChanges = rows.size() != m_rows.size();
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
    if (countChanges)
        emit countChanged();
}

void HistoricoListModel::appendRows(const QList<HistoricoRow> &rows)
{
    if (rows.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    m_rows.append(rows);
    endInsertRows();
    emit countChanged();
}

int HistoricoListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant HistoricoListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const HistoricoRow &row = m_rows.at(index.row());
    const EarthquakePtr &e = row.earthquake;
    switch (role) {
    case MagnitudeRole: return e->magnitude();
    case LocationRole:
    case Qt::DisplayRole: return e->location();
    case DateRole: return e->date();
    case SectionIdRole:
    case SectionTitleRole: return row.monthTitle;
    case EarthquakeRole: return QVariant::fromValue(EarthquakeItem(e));
    default: return {};
    }
}

QHash<int, QByteArray> HistoricoListModel::roleNames() const
{
    return {
        {MagnitudeRole, "magnitude"},     {LocationRole, "location"},         {DateRole, "date"},
        {SectionIdRole, "sectionId"},     {SectionTitleRole, "sectionTitle"}, {EarthquakeRole, "earthquake"},
    };
}
