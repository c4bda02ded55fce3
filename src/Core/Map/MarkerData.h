#pragma once

#include <QColor>
#include <QGeoCoordinate>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <memory>
#include <vector>

// The drawing data of many map markers, one entry per event: its key, where it lies in world
// units and which style draws it. Built once per event and shared, read-only, by every set
// of shown markers taken from it, so a filter change hands the map a list of entries instead
// of rebuilding each marker.
class MarkerData {
public:
    // A marker's disc at rest, in pixels: the batched markers and the annotations alike.
    static constexpr int kDiameter = 28;

    struct Style {
        QColor color;                 // of the disc
        double diameter = kDiameter;  // of the disc, pixels
        QString label;         // short text drawn inside, e.g. "3.1"
        friend bool operator==(const Style &, const Style &) = default;
    };

    // The index of a style, adding it when it is new. Beyond kMaxLabelledStyles a new style
    // loses its label; beyond kMaxStyles the first style stands in.
    int addStyle(const Style &style);
    static constexpr qsizetype kMaxLabelledStyles = 4096;
    static constexpr qsizetype kMaxStyles = 65535;
    // A coordinate that is invalid, not finite or beyond the projection's latitudes gives an
    // entry that is never drawn nor hit (the projection would pin it to the world's edge).
    void append(qint64 key, const QGeoCoordinate &coordinate, int style);
    void append(qint64 key, double latitude, double longitude, int style);
    // Copies an entry of another set with the same styles (a set extended by new events).
    void appendEntry(const MarkerData &from, size_t entry);
    void reserve(size_t n);
    // Takes the styles of another set (before any entry), so its style indices hold here too.
    void copyStyles(const MarkerData &from);

    size_t size() const { return m_keys.size(); }
    qint64 key(size_t entry) const { return m_keys[entry]; }
    const QPointF &world(size_t entry) const { return m_world[entry]; }  // NaN: not drawn
    bool isDrawable(size_t entry) const { return m_world[entry].x() == m_world[entry].x(); }
    int styleOf(size_t entry) const { return m_style[entry]; }
    const QList<Style> &styles() const { return m_styles; }
    double maxDiameter() const { return m_maxDiameter; }

    static bool isDrawable(double latitude, double longitude);

private:
    std::vector<qint64> m_keys;
    std::vector<QPointF> m_world;
    std::vector<quint16> m_style;
    QList<Style> m_styles;
    QHash<QString, int> m_styleIndex;  // by color, diameter and label
    double m_maxDiameter = 0;
};

// What a marker layer draws: entries of shared marker data, bottom first (later entries are
// drawn above earlier ones and take a tap where they overlap). Copying it copies two pointers.
class MarkerSet {
    Q_GADGET
    QML_VALUE_TYPE(markerSet)
    Q_PROPERTY(int count READ count CONSTANT)
public:
    MarkerSet() = default;
    MarkerSet(std::shared_ptr<const MarkerData> data, std::shared_ptr<const std::vector<quint32>> shown)
        : m_data(std::move(data)), m_shown(std::move(shown)) {}

    const std::shared_ptr<const MarkerData> &data() const { return m_data; }
    const std::shared_ptr<const std::vector<quint32>> &shown() const { return m_shown; }
    int count() const { return m_shown ? int(m_shown->size()) : 0; }
    bool isEmpty() const { return count() == 0; }

    friend bool operator==(const MarkerSet &a, const MarkerSet &b)
    {
        return a.m_data == b.m_data && a.m_shown == b.m_shown;
    }

private:
    std::shared_ptr<const MarkerData> m_data;
    std::shared_ptr<const std::vector<quint32>> m_shown;
};
Q_DECLARE_METATYPE(MarkerSet)
