#pragma once

#include <QColor>
#include <QGeoCoordinate>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QQuickItem>
#include <QSet>
#include <QtQml/qqmlregistration.h>
#include <vector>

class GeoMap;

// One marker of a MarkerLayer.
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
// inside and a soft shadow, pre-rendered once per (colour, diameter, label) into a texture
// atlas and drawn as one batch of quads. Panning moves the batch without touching it; the
// quads are rebuilt only on zoom, on new markers and on long pans, and only for markers near
// the viewport.
//
// Declare it inside a GeoMap; it covers the map and follows its camera:
//
//   GeoMap { MarkerLayer { id: layer; markers: viewModel.mapMarkers
//                          onMarkerTapped: (id) => ... } }
//
// markers       the markers, as a list of MapMarker (set from C++ with setMarkers, or bound
//               to a C++ property of type QList<MapMarker>). Later markers are drawn above
//               earlier ones; of overlapping markers the topmost takes a tap.
// excludedIds   ids not drawn and not hit: for the few markers shown instead as real QML
//               annotations (the selected one, an animated one).
// shadowRadius  of every marker's shadow, pixels (default 1).
// labelScale    label font size as a fraction of the diameter (default 9/28).
// markerTapped(id) a tap on a marker (the map then does not report a background tap).
// markerAt(point)  the id of the topmost marker under a point of this item, or "".
class MarkerLayer : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QList<MapMarker> markers READ markers WRITE setMarkers NOTIFY markersChanged)
    Q_PROPERTY(int count READ count NOTIFY markersChanged)
    Q_PROPERTY(QStringList excludedIds READ excludedIds WRITE setExcludedIds NOTIFY excludedIdsChanged)
    Q_PROPERTY(double shadowRadius READ shadowRadius WRITE setShadowRadius NOTIFY styleChanged)
    Q_PROPERTY(double labelScale READ labelScale WRITE setLabelScale NOTIFY styleChanged)

public:
    explicit MarkerLayer(QQuickItem *parent = nullptr);
    ~MarkerLayer() override;

    QList<MapMarker> markers() const { return m_markers; }
    void setMarkers(const QList<MapMarker> &markers);
    int count() const { return int(m_markers.size()); }
    QStringList excludedIds() const { return m_excluded; }
    void setExcludedIds(const QStringList &ids);
    double shadowRadius() const { return m_shadowRadius; }
    void setShadowRadius(double r);
    double labelScale() const { return m_labelScale; }
    void setLabelScale(double s);

    Q_INVOKABLE QString markerAt(const QPointF &point) const;
    // Emits markerTapped for the marker under the point; false when there is none.
    bool tapAt(const QPointF &point);

    GeoMap *map() const { return m_map; }
    // Quads in the last built batch (for tests and benchmarks).
    int drawnCount() const { return m_drawn; }

signals:
    void markersChanged();
    void excludedIdsChanged();
    void styleChanged();
    void markerTapped(const QString &id);

protected:
    void updatePolish() override;
    void itemChange(ItemChange change, const ItemChangeData &value) override;

private:
    friend class MarkerCanvas;
    QSGNode *paintCanvas(QSGNode *old);
    void placeCanvas();
    void decideLayer();

    struct Sprite {
        QRectF uv;        // in the atlas, normalised
        QSizeF size;      // logical pixels
    };
    struct SpriteKey {
        QRgb color;
        int diameterTenths;
        QString label;
        friend bool operator==(const SpriteKey &, const SpriteKey &) = default;
        friend size_t qHash(const SpriteKey &k, size_t seed = 0) { return qHashMulti(seed, k.color, k.diameterTenths, k.label); }
    };
    void findMap();
    void follow();
    void markersDirty();
    int spriteFor(const MapMarker &m);
    void drawSprite(const SpriteKey &key, const QRect &cell, qreal dpr);
    void ensureHitGrid() const;
    std::vector<int> dropHidden(const std::vector<int> &shown, const QPointF &tl, double s, const QRectF &area) const;

    QList<MapMarker> m_markers;
    QStringList m_excluded;
    QSet<QString> m_excludedSet;
    double m_shadowRadius = 1.0;
    double m_labelScale = 9.0 / 28.0;
    QPointer<GeoMap> m_map;
    QMetaObject::Connection m_cameraConnection;

    // GUI-thread data read by updatePaintNode while the GUI thread waits
    std::vector<QPointF> m_world;   // marker centres, world units
    std::vector<int> m_spriteOf;    // sprite index per marker, -1 when excluded
    QList<Sprite> m_sprites;
    QHash<SpriteKey, int> m_spriteIndex;
    QImage m_atlas;
    qreal m_atlasDpr = 0;
    QPoint m_shelf;                 // next free place in the atlas
    int m_shelfHeight = 0;
    bool m_atlasDirty = false;
    bool m_geometryDirty = true;  // the batch must be rebuilt at the next placement
    int m_drawn = 0;

    // the canvas: its top-left in world units, the view's top-left and scale it was built for
    QQuickItem *m_canvas;
    QPointF m_canvasOrigin, m_canvasView;
    double m_builtScale = -1;
    bool m_spritesDirty = true;
    bool m_rebuild = false;        // read by paintCanvas while the GUI thread waits
    bool m_layerDecided = false;

    // hit grid, in world pixels at the scale it was built for
    mutable double m_gridScale = -1;
    mutable QHash<qint64, std::vector<int>> m_grid;
    double m_maxDiameter = 0;
};
