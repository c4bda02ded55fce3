#pragma once

#include "ViewModels/HistoricoRows.h"

#include <QAbstractListModel>
#include <QtQml/qqmlregistration.h>

// The history rows that the search lets through, in month sections, for the screen's list.
// Its view model resets it when the first page or the search changes and appends to it when
// a further page arrives, so the list keeps its scroll position while paging.
class HistoricoListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by HistoricoViewModel")
    Q_PROPERTY(int count READ count NOTIFY countChanged)
public:
    // The roles of the latest-events list, so both lists share one row delegate.
    enum Role {
        MagnitudeRole = Qt::UserRole + 1,
        LocationRole,
        DateRole,
        SectionIdRole,
        SectionTitleRole,
        EarthquakeRole,
    };
    Q_ENUM(Role)

    explicit HistoricoListModel(QObject *parent = nullptr);

    void resetRows(QList<HistoricoRow> rows);
    void appendRows(const QList<HistoricoRow> &rows);
    const QList<HistoricoRow> &rows() const { return m_rows; }
    int count() const { return int(m_rows.size()); }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

private:
    QList<HistoricoRow> m_rows;
};
