import QtQuick
import Sismovantaquelorin

// The statistics screen as a main window keeps it between visits. Hidden, its view model is
// inactive: it neither looks for other writers nor computes, so a save while another section
// shows costs nothing here; each appearance computes the figures again, as a new screen would,
// and the screen leaves scrolled back to its top.
StatsView {
    id: root

    viewModel.active: visible

    function startAfresh() {
        scrollToTop()
    }
}
