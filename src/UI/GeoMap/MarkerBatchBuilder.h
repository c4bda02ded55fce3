#pragma once

#include "MarkerBatch.h"

#include <QObject>
#include <QPointF>
#include <QSizeF>
#include <memory>

// Builds a marker layer's batches on the thread pool, one at a time, and hands each back on the
// GUI thread. A batch asked for markers or a style that have changed since (invalidate()) comes
// back marked as not current; one that finishes after the builder is gone goes nowhere.
class MarkerBatchBuilder : public QObject
{
    Q_OBJECT
public:
    // A finished build and the camera it was asked for.
    struct Done {
        double scale = 0;             // pixels per world unit
        QPointF origin;               // the canvas's top-left, world units
        QPointF view;                 // the view's top-left, world units
        QSizeF canvas;                // pixels
        std::shared_ptr<MarkerBatch::Output> batch;
    };

    explicit MarkerBatchBuilder(QObject *parent = nullptr);
    ~MarkerBatchBuilder() override;

    void start(MarkerBatch::Input in, const QPointF &view);
    // The markers or the style changed: a build in flight no longer shows them.
    void invalidate() { ++m_generation; }
    bool isBuilding() const { return m_building; }
    int builtCount() const { return m_built; }

    // Takes a finished build, if there is one. The worker asks for it with a queued call; the
    // owner also calls it on every animated frame, since while a window animates without pause
    // events posted from other threads may wait behind its frames.
    void collect();

signals:
    void built(const MarkerBatchBuilder::Done &done, bool current);

private:
    struct Delivery;
    std::shared_ptr<Delivery> m_delivery;
    quint64 m_generation = 1;
    bool m_building = false;
    int m_built = 0;
};
