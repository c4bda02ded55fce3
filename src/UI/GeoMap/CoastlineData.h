#pragma once

#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QString>

// The bundled shorelines (resources/map/coastlines.bin, made by tools/make-coastlines):
// a few levels of detail, each with the land as triangles and the shore as polylines, all in
// world units (see MapProjection). Loaded once, shared by every map.
class CoastlineData
{
public:
    struct Line {
        QList<QPointF> points;
        bool closed = false;
    };
    struct Level {
        double zoom = 0;               // finest zoom at which it is exact to half a pixel
        QList<QPointF> fillVertices;
        QList<quint32> fillIndices;    // triangles
        QList<Line> lines;
    };

    // The data from the application's resources; empty (and says so once on stderr) when the
    // resource is missing or damaged, so the map still shows its sea.
    static const CoastlineData &bundled();
    static CoastlineData parse(const QByteArray &file, QString *error = nullptr);

    bool isEmpty() const { return m_levels.isEmpty(); }
    const QList<Level> &levels() const { return m_levels; }
    // The coarsest level fine enough at this zoom.
    int levelFor(double zoom) const;

private:
    QList<Level> m_levels;
};
