#pragma once

#include "Models/Earthquake.h"
#include "Platform/Clock.h"

#include <QAbstractListModel>
#include <QLocale>
#include <QPointer>
#include <QtQml/qqmlregistration.h>
#include <memory>

class EarthquakeListViewModel;
class ModelContext;

// The latest-events list: a live query of the store's last thirty days (older events are never
// listed), filtered by the view model's magnitude filter, date filter and debounced search, in
// period sections "24h", "7d" and "30d", newest first. Follows every save of the store; while
// inactive (its screen hidden) a save is only noted, and becoming active reads the store again.
class LatestEarthquakesModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(ModelContext *context READ context WRITE setContext NOTIFY contextChanged)
    Q_PROPERTY(EarthquakeListViewModel *viewModel READ viewModel WRITE setViewModel NOTIFY viewModelChanged)
    Q_PROPERTY(bool storeIsEmpty READ storeIsEmpty NOTIFY storeIsEmptyChanged)
    Q_PROPERTY(int count READ rowCountProperty NOTIFY countChanged)
    Q_PROPERTY(QStringList sectionIds READ sectionIds NOTIFY sectionsChanged)
    Q_PROPERTY(bool active READ isActive WRITE setActive NOTIFY activeChanged)

public:
    enum Role {
        MagnitudeRole = Qt::UserRole + 1,
        LocationRole,
        DateRole,
        SectionIdRole,
        SectionTitleRole,
        EarthquakeRole,
    };
    Q_ENUM(Role)

    struct Section {
        QString id;
        QString title;
        EarthquakeList items;
    };

    explicit LatestEarthquakesModel(QObject *parent = nullptr);

    ModelContext *context() const { return m_context; }
    void setContext(ModelContext *context);
    EarthquakeListViewModel *viewModel() const { return m_viewModel; }
    void setViewModel(EarthquakeListViewModel *viewModel);
    bool isActive() const { return m_active; }
    void setActive(bool active);

    bool storeIsEmpty() const { return m_storeIsEmpty; }
    int rowCountProperty() const { return int(m_rows.size()); }
    QStringList sectionIds() const;
    QList<Section> sections() const;
    EarthquakeList filteredEarthquakes() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Reads the store again (after a save) / recomputes filters and sections (time passed).
    Q_INVOKABLE void reload();
    Q_INVOKABLE void recompute();

    // Tests pin the clock and the locale of the section titles.
    void setNow(NowFunction now) { m_now = std::move(now); }
    void setLocale(const QLocale &locale) { m_locale = locale; }

    static QString sectionTitle(const QString &id, const QDateTime &now, const QLocale &locale);

signals:
    void contextChanged();
    void viewModelChanged();
    void storeIsEmptyChanged();
    void countChanged();
    void sectionsChanged();
    void activeChanged();

private:
    void storeSaved();

    struct Entry {
        EarthquakePtr earthquake;
        QString foldedLocation;
    };
    struct Row {
        int entry;
        int section;
    };

    QPointer<ModelContext> m_context;
    QPointer<EarthquakeListViewModel> m_viewModel;
    QList<Entry> m_all;  // newest first
    QList<Row> m_rows;
    QList<Section> m_sections;  // items left empty here: rows index m_all
    bool m_storeIsEmpty = true;
    bool m_active = true;
    bool m_savedWhileInactive = false;
    NowFunction m_now = systemNow;
    QLocale m_locale;
    QMetaObject::Connection m_storeConnection;
    struct RowKey {
        const Earthquake *earthquake;
        int section;
        friend bool operator==(const RowKey &, const RowKey &) = default;
    };
    QList<RowKey> m_rowKeys;  // what the views show, to tell a real change from a re-sectioning
};
