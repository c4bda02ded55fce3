#pragma once

#include "Models/Earthquake.h"

#include <QColor>
#include <QGeoCoordinate>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// A stored event as QML sees it: a value holding the shared record, read-only.
class EarthquakeItem {
    Q_GADGET
    QML_VALUE_TYPE(earthquakeItem)
    Q_PROPERTY(bool isValid READ isValid CONSTANT)
    Q_PROPERTY(QString eventID READ eventID CONSTANT)
    Q_PROPERTY(QDateTime date READ date CONSTANT)
    Q_PROPERTY(double latitude READ latitude CONSTANT)
    Q_PROPERTY(double longitude READ longitude CONSTANT)
    Q_PROPERTY(QGeoCoordinate coordinate READ coordinate CONSTANT)
    Q_PROPERTY(double depth READ depth CONSTANT)
    Q_PROPERTY(double magnitude READ magnitude CONSTANT)
    Q_PROPERTY(QString magnitudeType READ magnitudeType CONSTANT)
    Q_PROPERTY(bool hasMaxIntensity READ hasMaxIntensity CONSTANT)
    Q_PROPERTY(QString maxIntensity READ maxIntensity CONSTANT)
    Q_PROPERTY(QString location READ location CONSTANT)
    Q_PROPERTY(QColor categoryColor READ categoryColor CONSTANT)
public:
    EarthquakeItem() = default;
    explicit EarthquakeItem(EarthquakePtr earthquake) : m_earthquake(std::move(earthquake)) {}

    const EarthquakePtr &earthquake() const { return m_earthquake; }
    bool isValid() const { return bool(m_earthquake); }
    QString eventID() const { return m_earthquake ? m_earthquake->eventID() : QString(); }
    QDateTime date() const { return m_earthquake ? m_earthquake->date() : QDateTime(); }
    double latitude() const { return m_earthquake ? m_earthquake->latitude() : 0; }
    double longitude() const { return m_earthquake ? m_earthquake->longitude() : 0; }
    QGeoCoordinate coordinate() const { return m_earthquake ? m_earthquake->coordinate() : QGeoCoordinate(); }
    double depth() const { return m_earthquake ? m_earthquake->depth() : 0; }
    double magnitude() const { return m_earthquake ? m_earthquake->magnitude() : 0; }
    QString magnitudeType() const { return m_earthquake ? m_earthquake->magnitudeType() : QString(); }
    bool hasMaxIntensity() const { return m_earthquake && m_earthquake->maxIntensity().has_value(); }
    QString maxIntensity() const { return hasMaxIntensity() ? *m_earthquake->maxIntensity() : QString(); }
    QString location() const { return m_earthquake ? m_earthquake->location() : QString(); }
    QColor categoryColor() const { return m_earthquake ? m_earthquake->magnitudeCategory().color() : QColor(); }

    friend bool operator==(const EarthquakeItem &a, const EarthquakeItem &b)
    {
        return a.m_earthquake == b.m_earthquake || (a.m_earthquake && b.m_earthquake && *a.m_earthquake == *b.m_earthquake);
    }

private:
    EarthquakePtr m_earthquake;
};
