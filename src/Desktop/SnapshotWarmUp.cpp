#include "SnapshotWarmUp.h"

#include "Persistence/EarthquakeSnapshot.h"

#include <QPointer>
#include <QQuickWindow>

namespace SnapshotWarmUp {

void startAfterFirstFrame(QQuickWindow *window, EarthquakeSnapshot *snapshot)
{
    if (!window || !snapshot)
        return;
    auto connection = std::make_shared<QMetaObject::Connection>();
    // frameSwapped may come from the render thread: the load starts on the snapshot's thread.
    *connection = QObject::connect(window, &QQuickWindow::frameSwapped, snapshot, [snapshot, connection] {
        QObject::disconnect(*connection);
        snapshot->startLoading();
    }, Qt::QueuedConnection);
}

}  // namespace SnapshotWarmUp
