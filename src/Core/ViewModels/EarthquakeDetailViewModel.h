#pragma once

#include "Models/Earthquake.h"
#include "ViewModels/EarthquakeItem.h"

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class ModelContext;

// The state behind an event's detail screen: the event and the other recent stored events
// that its map shows as dots (the 200 newest, without the event itself; no distance involved).
class EarthquakeDetailViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(EarthquakeItem earthquake READ earthquakeItem WRITE setEarthquakeItem NOTIFY earthquakeChanged)
    Q_PROPERTY(QVariantList nearbyEarthquakes READ nearbyEarthquakeItems NOTIFY nearbyEarthquakesChanged)
    Q_PROPERTY(QString title READ title NOTIFY earthquakeChanged)
    Q_PROPERTY(QVariantList rows READ rows NOTIFY earthquakeChanged)

public:
    explicit EarthquakeDetailViewModel(QObject *parent = nullptr);
    explicit EarthquakeDetailViewModel(EarthquakePtr earthquake, QObject *parent = nullptr);

    const EarthquakePtr &earthquake() const { return m_earthquake; }
    EarthquakeItem earthquakeItem() const { return EarthquakeItem(m_earthquake); }
    void setEarthquakeItem(const EarthquakeItem &item);  // once, before use (QML creation)

    const EarthquakeList &nearbyEarthquakes() const { return m_nearby; }
    QVariantList nearbyEarthquakeItems() const;

    // "M %.1f — %@" from the magnitude and the place.
    QString title() const;
    // The data rows, each {icon, label, value}, in screen order; intensity only when known.
    QVariantList rows() const;

    Q_INVOKABLE void loadNearby(ModelContext *context);

    static constexpr int nearbyLimit = 200;

signals:
    void earthquakeChanged();
    void nearbyEarthquakesChanged();

private:
    EarthquakePtr m_earthquake;
    EarthquakeList m_nearby;
};
