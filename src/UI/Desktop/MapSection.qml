import QtQuick
import QtQuick.Templates as T
import Sismovantaquelorin

// The map screen as a main window keeps it between visits. As it leaves it goes back to what
// a new map screen shows: both filters at "all", no selection, no detail, no popover and the
// camera on the islands; its appearance then refreshes and recomputes as usual. Hidden, its
// ripple rests.
MapView {
    id: root

    animated: visible

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
