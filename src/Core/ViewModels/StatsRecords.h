#pragma once

#include "Models/MagnitudeCategory.h"
#include "ViewModels/EarthquakeItem.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The values the statistics screen draws, each set once when made.

// One row of the magnitude distribution.
class MagnitudeStat {
    Q_GADGET
    QML_VALUE_TYPE(magnitudeStat)
    Q_PROPERTY(QString category READ categoryRawValue CONSTANT)
    Q_PROPERTY(QString label READ label CONSTANT)
    Q_PROPERTY(QString range READ range CONSTANT)
    Q_PROPERTY(QColor color READ color CONSTANT)
    Q_PROPERTY(int count READ count CONSTANT)
    Q_PROPERTY(double fraction READ fraction CONSTANT)
public:
    MagnitudeStat() = default;
    MagnitudeStat(MagnitudeCategory category, int count, double fraction)
        : m_category(category), m_count(count), m_fraction(fraction) {}

    MagnitudeCategory category() const { return m_category; }
    QString categoryRawValue() const { return m_category.rawValue(); }
    QString label() const { return m_category.label(); }
    QString range() const { return m_category.range(); }
    QColor color() const { return m_category.color(); }
    int count() const { return m_count; }
    double fraction() const { return m_fraction; }  // of the largest category's count

    friend bool operator==(const MagnitudeStat &, const MagnitudeStat &) = default;

private:
    MagnitudeCategory m_category;
    int m_count = 0;
    double m_fraction = 0;
};

// One of the most active zones: a half-degree cell.
class ClusterStat {
    Q_GADGET
    QML_VALUE_TYPE(clusterStat)
    Q_PROPERTY(QString id READ id CONSTANT)
    Q_PROPERTY(QString displayName READ displayName CONSTANT)
    Q_PROPERTY(int count READ count CONSTANT)
    Q_PROPERTY(double averageMagnitude READ averageMagnitude CONSTANT)
    Q_PROPERTY(double latKey READ latKey CONSTANT)
    Q_PROPERTY(double lonKey READ lonKey CONSTANT)
public:
    ClusterStat() = default;
    ClusterStat(QString id, QString displayName, int count, double averageMagnitude, double latKey, double lonKey)
        : m_id(std::move(id)), m_displayName(std::move(displayName)), m_count(count)
        , m_averageMagnitude(averageMagnitude), m_latKey(latKey), m_lonKey(lonKey) {}

    const QString &id() const { return m_id; }
    const QString &displayName() const { return m_displayName; }
    int count() const { return m_count; }
    double averageMagnitude() const { return m_averageMagnitude; }
    double latKey() const { return m_latKey; }  // the cell's centre, a multiple of 0.5
    double lonKey() const { return m_lonKey; }

private:
    QString m_id;
    QString m_displayName;
    int m_count = 0;
    double m_averageMagnitude = 0;
    double m_latKey = 0;
    double m_lonKey = 0;
};

// The depth analysis.
class DepthStat {
    Q_GADGET
    QML_VALUE_TYPE(depthStat)
    Q_PROPERTY(double averageDepth READ averageDepth CONSTANT)
    Q_PROPERTY(int shallowCount READ shallowCount CONSTANT)
    Q_PROPERTY(int intermediateCount READ intermediateCount CONSTANT)
    Q_PROPERTY(int deepCount READ deepCount CONSTANT)
    Q_PROPERTY(int total READ total CONSTANT)
    Q_PROPERTY(double shallowFraction READ shallowFraction CONSTANT)
    Q_PROPERTY(double intermediateFraction READ intermediateFraction CONSTANT)
    Q_PROPERTY(double deepFraction READ deepFraction CONSTANT)
public:
    DepthStat() = default;
    DepthStat(double averageDepth, int shallowCount, int intermediateCount, int deepCount, int total)
        : m_averageDepth(averageDepth), m_shallowCount(shallowCount), m_intermediateCount(intermediateCount)
        , m_deepCount(deepCount), m_total(total) {}

    double averageDepth() const { return m_averageDepth; }
    int shallowCount() const { return m_shallowCount; }
    int intermediateCount() const { return m_intermediateCount; }
    int deepCount() const { return m_deepCount; }
    int total() const { return m_total; }
    double shallowFraction() const { return share(m_shallowCount); }
    double intermediateFraction() const { return share(m_intermediateCount); }
    double deepFraction() const { return share(m_deepCount); }

private:
    double share(int count) const { return m_total > 0 ? double(count) / double(m_total) : 0.0; }

    double m_averageDepth = 0;
    int m_shallowCount = 0;
    int m_intermediateCount = 0;
    int m_deepCount = 0;
    int m_total = 0;
};

// The strongest event of a period: the stored record.
class PeakEvent {
    Q_GADGET
    QML_VALUE_TYPE(peakEvent)
    Q_PROPERTY(EarthquakeItem earthquake READ earthquake CONSTANT)
public:
    PeakEvent() = default;
    explicit PeakEvent(EarthquakeItem earthquake) : m_earthquake(std::move(earthquake)) {}

    const EarthquakeItem &earthquake() const { return m_earthquake; }

private:
    EarthquakeItem m_earthquake;
};
