import QtQuick
import Sismovantaquelorin

// The statistics screen as a main window keeps it between visits: the figures are computed
// again at each appearance, as for a new screen, and it leaves scrolled back to its top.
StatsView {
    id: root

    onVisibleChanged: if (visible) viewModel.update()

    function startAfresh() {
        scrollToTop(root)
    }
    function scrollToTop(item) {
        if (item instanceof Flickable)
            item.contentY = item.originY
        for (let i = 0; i < item.children.length; ++i)
            scrollToTop(item.children[i])
    }
}
