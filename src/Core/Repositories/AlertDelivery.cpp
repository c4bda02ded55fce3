#include "AlertDelivery.h"

#include "Notifications/NotificationManager.h"

#include <QElapsedTimer>
#include <QTimer>

namespace {
// Work per turn of the event loop, well inside a frame.
constexpr qint64 kTurnBudgetNs = 4'000'000;
// Events evaluated, alerts sent or records freed at a time.
constexpr qsizetype kSliceSize = 256;
}  // namespace

AlertDelivery::AlertDelivery(const NotificationFilter &filter, NotificationSender *sender,
                             EarthquakeList newEarthquakes, EarthquakeList recentEarthquakes, QObject *parent)
    : QObject(parent)
    , m_filter(filter)
    , m_sender(sender)
    , m_new(std::move(newEarthquakes))
    , m_recent(std::move(recentEarthquakes))
{
    QTimer::singleShot(0, this, &AlertDelivery::step);
}

void AlertDelivery::step()
{
    QElapsedTimer turn;
    turn.start();
    while (turn.nsecsElapsed() < kTurnBudgetNs) {
        if (!sendSome()) {
            emit finished();
            return;
        }
    }
    QTimer::singleShot(0, this, &AlertDelivery::step);
}

// One slice of work; false once everything is sent.
bool AlertDelivery::sendSome()
{
    if (m_nextNew < m_new.size()) {
        // The rules for magnitude and proximity look at each new event alone, so slices give
        // what one evaluation would; without recent events no swarm rule fires or is recorded.
        const qsizetype end = qMin(m_new.size(), m_nextNew + kSliceSize);
        const EarthquakeList slice = m_new.mid(m_nextNew, end - m_nextNew);
        for (qsizetype i = m_nextNew; i < end; ++i)
            m_new[i].reset();  // freed as they go, not all at once at the end
        m_nextNew = end;
        for (const EarthquakeNotificationEvent &alert : m_filter.evaluate(slice, {})) {
            if (alert.kind == EarthquakeNotificationEvent::Kind::Magnitude)
                m_sender->send(alert);
            else
                m_proximity.append(alert);
        }
        return true;
    }
    if (m_nextProximity < m_proximity.size()) {
        const qsizetype end = qMin(m_proximity.size(), m_nextProximity + kSliceSize);
        for (; m_nextProximity < end; ++m_nextProximity)
            m_sender->send(std::exchange(m_proximity[m_nextProximity], {}));
        return true;
    }
    if (!m_swarmDone) {
        // Last, once, over the recent events: the swarm rules, which record when they fire.
        for (const EarthquakeNotificationEvent &alert : m_filter.evaluate({}, m_recent))
            m_sender->send(alert);
        m_swarmDone = true;
        return true;
    }
    // Tens of thousands of records take a while to free too.
    m_recent.resize(qMax<qsizetype>(0, m_recent.size() - 8 * kSliceSize));
    return !m_recent.isEmpty();
}
