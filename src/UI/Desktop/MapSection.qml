import QtQuick
import QtQuick.Templates as T
import Sismovantaquelorin

// The map screen as a main window keeps it between visits. As it leaves it goes back to what
// a new map screen shows: both filters at "all", no selection, no detail, no popover and the
// camera on the islands; its appearance then refreshes and recomputes as usual. Hidden, its
// markers follow no store (the screen's own rule while it has not appeared), its ripple rests,
// and a screen built ahead of its first visit asks the tile server for nothing until it is
// shown.
MapView {
    id: root

    property bool shownOnce: false

    animated: visible
    tilesEnabled: shownOnce
    Component.onCompleted: shownOnce = visible
    onVisibleChanged: if (visible) shownOnce = true

    function startAfresh() {
        if (!viewModel.filtersAreDefault)
            viewModel.resetFilters()
        viewModel.clearSelection()
        showFilterPopover = false
        if (depth > 1)
            pop(null, T.StackView.Immediate)
        map.region = viewModel.region
    }
}
