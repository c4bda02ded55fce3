#include "MarkerBatchBuilder.h"

#include <QMutex>
#include <QThreadPool>

// The worker's way back: the builder clears it when it goes, so a batch finished after that is
// thrown away instead of reaching freed memory.
struct MarkerBatchBuilder::Delivery {
    QMutex mutex;
    MarkerBatchBuilder *builder = nullptr;
    quint64 generation = 0;
    Done done;
};

MarkerBatchBuilder::MarkerBatchBuilder(QObject *parent) : QObject(parent), m_delivery(std::make_shared<Delivery>())
{
    m_delivery->builder = this;
}

MarkerBatchBuilder::~MarkerBatchBuilder()
{
    QMutexLocker lock(&m_delivery->mutex);
    m_delivery->builder = nullptr;
}

void MarkerBatchBuilder::start(MarkerBatch::Input in, const QPointF &view)
{
    m_building = true;
    const quint64 generation = m_generation;
    Done asked{in.scale, in.origin, view, in.canvas, {}};
    QThreadPool::globalInstance()->start([in = std::move(in), asked = std::move(asked), generation,
                                          delivery = m_delivery]() mutable {
        asked.batch = std::make_shared<MarkerBatch::Output>(MarkerBatch::build(in));
        QMutexLocker lock(&delivery->mutex);
        if (MarkerBatchBuilder *builder = delivery->builder) {
            delivery->generation = generation;
            delivery->done = std::move(asked);
            QMetaObject::invokeMethod(builder, &MarkerBatchBuilder::collect, Qt::QueuedConnection);
        }
    });
}

void MarkerBatchBuilder::collect()
{
    Done done;
    quint64 generation = 0;
    {
        QMutexLocker lock(&m_delivery->mutex);
        if (!m_delivery->done.batch)
            return;
        done = std::exchange(m_delivery->done, {});
        generation = m_delivery->generation;
    }
    m_building = false;
    ++m_built;
    emit built(done, generation == m_generation);
}
