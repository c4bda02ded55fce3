#pragma once

class EarthquakeSnapshot;
class QQuickWindow;

// Starts the store's all-events snapshot loading in the background once the window has shown
// its first frame, never before it: the first frame does not wait on the store, and a first
// visit of the map or the statistics finds the events loaded or on their way.
namespace SnapshotWarmUp {

void startAfterFirstFrame(QQuickWindow *window, EarthquakeSnapshot *snapshot);

}  // namespace SnapshotWarmUp
