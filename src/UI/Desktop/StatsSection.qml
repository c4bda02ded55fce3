import QtQuick
import Sismovantaquelorin
import Sismovantaquelorin.Core

// The statistics screen as a main window keeps it between visits. Hidden, it follows no store,
// so a save while another section shows computes nothing here; each appearance computes the
// figures again, as a new screen would, and it leaves scrolled back to its top.
StatsView {
    id: root

    property ModelContext storeContext: Store.mainContext

    context: storeContext
    onVisibleChanged: {
        context = visible ? storeContext : null
        if (visible)
            viewModel.update()
    }

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
