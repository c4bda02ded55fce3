#pragma once

#include "Map/MarkerData.h"
#include "MarkerBatchBuilder.h"
#include "MarkerCanvas.h"
#include "MarkerHitGrid.h"
#include "SpriteAtlas.h"

#include <QColor>
#include <QGeoCoordinate>
#include <QPointer>
#include <QQuickItem>
#include <QSet>
#include <QtQml/qqmlregistration.h>
#include <vector>

class GeoMap;

// One marker given as a value (small lists, tests). Large sets come as a MarkerSet.
struct MapMarker {
    Q_GADGET
    QML_VALUE_TYPE(mapMarker)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QGeoCoordinate coordinate MEMBER coordinate)
    Q_PROPERTY(QColor color MEMBER color)
    Q_PROPERTY(double diameter MEMBER diameter)
    Q_PROPERTY(QString label MEMBER label)
public:
    QString id;                 // reported by markerTapped / markerAt
    QGeoCoordinate coordinate;  // the marker's centre
    QColor color;               // of the disc
    double diameter = MarkerData::kDiameter;  // of the disc, pixels
    QString label;              // short text drawn inside, e.g. "3.1"
    friend bool operator==(const MapMarker &, const MapMarker &) = default;
};

// Many markers drawn as one picture: discs of a colour and diameter with a short label inside
// and a soft shadow, pre-rendered once per style into a sprite atlas and copied onto a canvas
// on a worker thread. Panning moves the canvas without touching it. Zooms, new marker sets and
// long pans rebuild it on a worker thread while the old canvas stays on screen, scaled to the
// camera; the rebuild keeps only markers near the viewport that are not buried under others.
//
// Declare it inside a GeoMap; it covers the map and follows its camera:
//
//   GeoMap { MarkerLayer { markerSet: model.markerSet; onMarkerTapped: (id) => ... } }
//
// markerSet     entries of shared marker data, bottom first; their ids are the entries' keys
//               as text. A new set reuses the sprites of its styles.
// markers       the same as a list of MapMarker, with ids of their own.
// excludedIds   ids that are not hit: the few markers shown instead as real QML annotations
//               (the selected one, an animated one). They stay in the batch, under the
//               annotations that cover them, so that a selection never rebuilds it.
// shadowRadius  of every marker's shadow, pixels (default 1).
// labelScale    label font size as a fraction of the diameter (default 9/28).
// labelFamily   font family of the labels (default: the application's).
// markerTapped(id) a tap on a marker (the map then does not report a background tap).
// markerAt(point)  the id of the topmost marker under a point of this item, or "".
class MarkerLayer : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(MarkerSet markerSet READ markerSet WRITE setMarkerSet NOTIFY markersChanged)
    Q_PROPERTY(QList<MapMarker> markers READ markers WRITE setMarkers NOTIFY markersChanged)
    Q_PROPERTY(int count READ count NOTIFY markersChanged)
    Q_PROPERTY(QStringList excludedIds READ excludedIds WRITE setExcludedIds NOTIFY excludedIdsChanged)
    Q_PROPERTY(double shadowRadius READ shadowRadius WRITE setShadowRadius NOTIFY styleChanged)
    Q_PROPERTY(double labelScale READ labelScale WRITE setLabelScale NOTIFY styleChanged)
    Q_PROPERTY(QString labelFamily READ labelFamily WRITE setLabelFamily NOTIFY styleChanged)

public:
    explicit MarkerLayer(QQuickItem *parent = nullptr);
    ~MarkerLayer() override;

    MarkerSet markerSet() const { return m_set; }
    void setMarkerSet(const MarkerSet &set);
    QList<MapMarker> markers() const { return m_markers; }
    void setMarkers(const QList<MapMarker> &markers);
    int count() const { return m_set.count(); }
    QStringList excludedIds() const { return m_excluded; }
    void setExcludedIds(const QStringList &ids);
    double shadowRadius() const { return m_look.shadowRadius; }
    void setShadowRadius(double r);
    double labelScale() const { return m_look.labelScale; }
    void setLabelScale(double s);
    QString labelFamily() const { return m_look.labelFamily; }
    void setLabelFamily(const QString &family);

    Q_INVOKABLE QString markerAt(const QPointF &point) const;
    // Emits markerTapped for the marker under the point; false when there is none.
    bool tapAt(const QPointF &point);

    GeoMap *map() const { return m_map; }
    // Markers on the canvas on screen (for tests and benchmarks).
    int drawnCount() const { return m_drawn; }
    // Batches built since creation, and whether one is being built (for tests and benchmarks).
    int batchesBuilt() const { return m_builder->builtCount(); }
    bool isBuilding() const { return m_builder->isBuilding(); }
    // The canvas on screen shows the current markers and style (it may still await a zoom).
    bool isBatchCurrent() const { return !m_setDirty && !isBuilding(); }

signals:
    void markersChanged();
    void excludedIdsChanged();
    void styleChanged();
    void markerTapped(const QString &id);
    // A batch built for the current camera and markers is on its way to the screen.
    void batchReady();

protected:
    void updatePolish() override;
    void itemChange(ItemChange change, const ItemChangeData &value) override;

private:
    void assign(const MarkerSet &set, const QList<MapMarker> &markers, const QStringList &ids);
    void placeCanvas();
    void findMap();
    void follow();
    void styleDirty();
    void startBuild(double scale, const QPointF &view);
    void batchBuilt(const MarkerBatchBuilder::Done &done, bool current);
    QString idOf(quint32 entry) const;
    QSizeF canvasSize() const;

    MarkerSet m_set;
    QList<MapMarker> m_markers;     // when given as values
    QStringList m_markerIds;        // their ids, by entry
    QStringList m_excluded;
    QSet<QString> m_excludedSet;
    SpriteAtlas::Look m_look;
    QPointer<GeoMap> m_map;
    QMetaObject::Connection m_cameraConnection;
    QMetaObject::Connection m_frameConnection;

    // sprites: one per style of the current data
    SpriteAtlas m_atlas;
    std::vector<int> m_spriteOfStyle;
    const MarkerData *m_spritesFor = nullptr;

    MarkerBatchBuilder *m_builder;
    bool m_setDirty = true;         // the canvas no longer shows the current markers

    // the canvas on screen: its top-left in world units, the view and scale it was built for
    MarkerCanvas *m_canvas;
    QPointF m_canvasOrigin, m_canvasView;
    double m_builtScale = -1;
    int m_drawn = 0;

    mutable MarkerHitGrid m_hitGrid;
};
