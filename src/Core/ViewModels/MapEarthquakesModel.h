#pragma once

#include "Map/MarkerData.h"
#include "Persistence/EarthquakeSnapshot.h"
#include "Platform/Clock.h"
#include "Persistence/ModelContext.h"
#include "ViewModels/EarthquakeItem.h"
#include "ViewModels/MapViewModel.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QtQml/qqmlregistration.h>
#include <memory>
#include <vector>

// The map's events: every stored event (read from the store's in-memory snapshot, never
// queried row by row) that passes the view model's magnitude and date filters, newest first,
// handed to the marker layer as shown entries of per-event marker data. That data (world
// position, sprite style, category) is computed once per event and extended with the events
// each save adds. Recomputes on every filter assignment, every snapshot change, on request
// (the screen's appearance) and once a minute while a date filter is set, so that a "last
// hour" map loses its expired markers. While inactive (its screen hidden) it neither polls nor
// recomputes: what is asked meanwhile waits, and becoming active recomputes.
class MapEarthquakesModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(ModelContext *context READ context WRITE setContext NOTIFY contextChanged)
    Q_PROPERTY(MapViewModel *viewModel READ viewModel WRITE setViewModel NOTIFY viewModelChanged)
    Q_PROPERTY(MarkerSet markerSet READ markerSet NOTIFY markersChanged)
    Q_PROPERTY(int count READ count NOTIFY markersChanged)
    Q_PROPERTY(QString newestId READ newestId NOTIFY newestChanged)
    Q_PROPERTY(EarthquakeItem newest READ newest NOTIFY newestChanged)
    Q_PROPERTY(QString selectedId READ selectedId NOTIFY selectedIdChanged)
    // While on screen: the snapshot looks for other writers' changes every few seconds, and
    // the markers follow every change.
    Q_PROPERTY(bool active READ isActive WRITE setActive NOTIFY activeChanged)

public:
    // The size of a marker at rest, for the screen's annotations (MapEarthquakesModel.MarkerDiameter).
    enum Metrics { MarkerDiameter = MarkerData::kDiameter };
    Q_ENUM(Metrics)

    explicit MapEarthquakesModel(QObject *parent = nullptr);

    ModelContext *context() const { return m_context; }
    void setContext(ModelContext *context);
    MapViewModel *viewModel() const { return m_viewModel; }
    void setViewModel(MapViewModel *viewModel);
    bool isActive() const { return m_active; }
    void setActive(bool active);

    MarkerSet markerSet() const { return m_set; }
    int count() const { return m_set.count(); }
    // The newest shown event (it carries the ripple); its marker id is its store row as text.
    QString newestId() const { return m_newestRow < 0 ? QString() : QString::number(m_newestRow); }
    EarthquakeItem newest() const { return m_newest; }
    // The selected event's marker id while it is shown, else "" (a filter hides it).
    QString selectedId() const { return m_selectedId; }

    // Shown events' store rows, newest first (tests compare them with a store query).
    std::vector<qint64> shownRows() const;
    // The stored record behind a marker id, for a tap; invalid when it cannot be read.
    Q_INVOKABLE EarthquakeItem earthquakeFor(const QString &id) const;
    Q_INVOKABLE void recompute();
    // Whether an event at this place has a marker (a valid point within the map's latitudes).
    Q_INVOKABLE static bool isPlaceable(double latitude, double longitude)
    {
        return MarkerData::isDrawable(latitude, longitude);
    }

    void setNow(NowFunction now) { m_now = std::move(now); }
    void setTickInterval(int ms) { m_tick.setInterval(ms); }
    bool isTicking() const { return m_tick.isActive(); }
    bool isPreparing() const { return m_preparing; }

signals:
    void contextChanged();
    void viewModelChanged();
    void markersChanged();
    void newestChanged();
    void selectedIdChanged();
    void activeChanged();

private:
    EarthquakeSnapshot *snapshot() const;
    void snapshotChanged();
    void syncData();
    // Hidden: brings the per-event data in line with the snapshot on the thread pool, so that
    // the first appearance after a load or a save finds it ready.
    void prepareInBackground(const EarthquakeSnapshot::DataPtr &data);
    static bool inSync(const std::vector<EarthquakeSnapshot::Row> &rows, const struct MapMarkerCache &cache);
    static void syncInto(const std::vector<EarthquakeSnapshot::Row> &rows, struct MapMarkerCache &cache);
    void updateSelected();
    static int styleFor(double magnitude, MarkerData &data, struct MapMarkerCache *cache);
    static int styleForText(double magnitude, MarkerData &data, struct MapMarkerCache *cache);

    QPointer<ModelContext> m_context;
    QPointer<MapViewModel> m_viewModel;
    QPointer<EarthquakeSnapshot> m_snapshot;
    QMetaObject::Connection m_snapshotConnection;
    EarthquakeSnapshot::DataPtr m_data;  // the snapshot's data the markers were made from
    bool m_active = true;
    bool m_preparing = false;  // a background sync of the per-event data runs
    // One entry per snapshot row, in its order, kept by the snapshot (see MapMarkerCache) so
    // that every map screen of the session reuses what an earlier one computed.
    struct MapMarkerCache *cache() const;
    MarkerSet m_set;
    qint64 m_newestRow = -1;
    EarthquakeItem m_newest;
    QString m_selectedId;
    NowFunction m_now = systemNow;
    QTimer m_tick;
};
