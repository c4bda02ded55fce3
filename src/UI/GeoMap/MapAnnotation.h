#pragma once

#include <QGeoCoordinate>
#include <QPointer>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

class GeoMap;

// Any QML content kept at a coordinate of the GeoMap it is declared in (directly, or inside
// a Repeater or other item within the map):
//
//   GeoMap {
//       MapAnnotation {
//           coordinate: QtPositioning.coordinate(28.27, -16.64)
//           anchorPoint: MapAnnotation.BottomCenter
//           width: 22; height: 22
//           z: 10                        // stacking among the map's content
//           Rectangle { anchors.fill: parent; radius: 11 }
//       }
//   }
//
// anchorPoint says which point of the annotation's frame sits on the coordinate: Center, or
// BottomCenter (the middle of the bottom edge). Without an explicit width and height the
// frame is the bounding rectangle of the children. Content may reach beyond the frame (ripple
// rings do); only the map's own bounds clip it. A MouseArea inside takes its taps; those
// taps never reach the map.
class MapAnnotation : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QGeoCoordinate coordinate READ coordinate WRITE setCoordinate NOTIFY coordinateChanged)
    Q_PROPERTY(AnchorPoint anchorPoint READ anchorPoint WRITE setAnchorPoint NOTIFY anchorPointChanged)
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)

public:
    enum AnchorPoint { Center, BottomCenter };
    Q_ENUM(AnchorPoint)

    explicit MapAnnotation(QQuickItem *parent = nullptr);

    QGeoCoordinate coordinate() const { return m_coordinate; }
    void setCoordinate(const QGeoCoordinate &c);
    AnchorPoint anchorPoint() const { return m_anchor; }
    void setAnchorPoint(AnchorPoint a);
    // A text naming the annotation (for accessibility; not drawn).
    QString title() const { return m_title; }
    void setTitle(const QString &t);

    GeoMap *map() const { return m_map; }
    // Moves the frame so that its anchor point lies on the coordinate.
    void reposition();

signals:
    void coordinateChanged();
    void anchorPointChanged();
    void titleChanged();

protected:
    void itemChange(ItemChange change, const ItemChangeData &value) override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;

private:
    void findMap();

    QGeoCoordinate m_coordinate;
    AnchorPoint m_anchor = Center;
    QString m_title;
    QPointer<GeoMap> m_map;
    QMetaObject::Connection m_cameraConnection;
};
