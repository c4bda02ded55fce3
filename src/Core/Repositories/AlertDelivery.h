#pragma once

#include "Models/Earthquake.h"
#include "Notifications/EarthquakeNotificationEvent.h"
#include "Notifications/NotificationFilter.h"

#include <QList>
#include <QObject>

class NotificationSender;

// Evaluates the alert rules for a refresh's new events and hands every alert to the sender, in
// the filter's order (magnitude alerts, then proximity alerts, then swarm alerts), a few
// milliseconds at a time: a page of many thousand new events never holds the event loop.
// Deleting it stops the delivery.
class AlertDelivery : public QObject {
    Q_OBJECT
public:
    // Starts on the next turn of the event loop.
    AlertDelivery(const NotificationFilter &filter, NotificationSender *sender, EarthquakeList newEarthquakes,
                  EarthquakeList recentEarthquakes, QObject *parent = nullptr);

signals:
    // Once the last alert is sent.
    void finished();

private:
    void step();
    bool sendSome();

    NotificationFilter m_filter;
    NotificationSender *m_sender;
    EarthquakeList m_new;
    EarthquakeList m_recent;
    qsizetype m_nextNew = 0;
    QList<EarthquakeNotificationEvent> m_proximity;  // held back until every magnitude alert is out
    qsizetype m_nextProximity = 0;
    bool m_swarmDone = false;
};
