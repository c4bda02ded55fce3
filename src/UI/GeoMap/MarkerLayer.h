#pragma once

#include "Map/MarkerData.h"
#include "MarkerBatch.h"

#include <QColor>
#include <QGeoCoordinate>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QQuickItem>
#include <QSet>
#include <QtQml/qqmlregistration.h>
#include <memory>
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
    double diameter = 28;       // of the disc, pixels
    QString label;              // short text drawn inside, e.g. "3.1"
    friend bool operator==(const MapMarker &, const MapMarker &) = default;
};

// Many markers in one scene-graph node: discs of a colour and diameter with a short label
// inside and a soft shadow, pre-rendered once per style into a texture atlas and drawn as one
// batch of quads. Panning moves the batch without touching it. Zooms, new marker sets and
// long pans rebuild it on a worker thread while the old batch stays on screen, scaled to the
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
    double shadowRadius() const { return m_shadowRadius; }
    void setShadowRadius(double r);
    double labelScale() const { return m_labelScale; }
    void setLabelScale(double s);
    QString labelFamily() const { return m_labelFamily; }
    void setLabelFamily(const QString &family);

    Q_INVOKABLE QString markerAt(const QPointF &point) const;
    // Emits markerTapped for the marker under the point; false when there is none.
    bool tapAt(const QPointF &point);

    GeoMap *map() const { return m_map; }
    // Quads in the batch on screen (for tests and benchmarks).
    int drawnCount() const { return m_drawn; }
    // Batches built since creation, and whether one is being built (for tests and benchmarks).
    int batchesBuilt() const { return m_batchesBuilt; }
    bool isBuilding() const { return m_building; }
    // The batch on screen shows the current markers and style (it may still await a zoom).
    bool isBatchCurrent() const { return !m_setDirty && !m_building; }

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
    friend class MarkerCanvas;
    struct Delivery;
    QSGNode *paintCanvas(QSGNode *old);
    void placeCanvas();
    void decideLayer();
    void findMap();
    void follow();
    void styleDirty();
    int spriteFor(const MarkerData::Style &style);
    void drawSprite(const MarkerData::Style &style, const QRect &cell, qreal dpr);
    void startBuild(double scale, const QPointF &view);
    void collectBatch();
    void batchBuilt(quint64 generation, double scale, const QPointF &origin, const QPointF &view, const QSizeF &canvas,
                    std::shared_ptr<MarkerBatch::Output> out);
    void ensureHitGrid() const;
    QString idOf(quint32 entry) const;
    QSizeF canvasSize() const;

    MarkerSet m_set;
    QList<MapMarker> m_markers;     // when given as values
    QStringList m_markerIds;        // their ids, by entry
    QStringList m_excluded;
    QSet<QString> m_excludedSet;
    double m_shadowRadius = 1.0;
    double m_labelScale = 9.0 / 28.0;
    QString m_labelFamily;
    QPointer<GeoMap> m_map;
    QMetaObject::Connection m_cameraConnection;
    QMetaObject::Connection m_frameConnection;

    // sprites: one per style of the current data
    std::vector<MarkerBatch::Sprite> m_sprites;
    QHash<QString, int> m_spriteIndex;
    std::vector<int> m_spriteOfStyle;
    const MarkerData *m_spritesFor = nullptr;
    QImage m_atlas;
    qreal m_atlasDpr = 0;
    QPoint m_shelf;                 // next free place in the atlas
    int m_shelfHeight = 0;
    bool m_atlasDirty = false;
    bool m_software = false;

    // batch building: the generation names the markers and style it was asked for
    std::shared_ptr<Delivery> m_delivery;
    quint64 m_generation = 1;
    bool m_setDirty = true;         // the batch no longer shows the current markers
    bool m_building = false;
    double m_buildScale = -1;       // camera of the build in flight
    QPointF m_buildView;
    int m_batchesBuilt = 0;

    // the batch on screen: the canvas's top-left in world units, the view and scale it was built for
    QQuickItem *m_canvas;
    QPointF m_canvasOrigin, m_canvasView;
    double m_builtScale = -1;
    std::shared_ptr<MarkerBatch::Output> m_pending;  // read by paintCanvas while the GUI thread waits
    int m_drawn = 0;
    bool m_layerDecided = false;

    // hit grid: positions in the shown order, in world pixels at the scale it was built for
    mutable double m_gridScale = -1;
    mutable QHash<qint64, std::vector<int>> m_grid;
};
