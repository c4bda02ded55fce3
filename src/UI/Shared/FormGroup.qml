import QtQuick
import QtQuick.Controls

// A grouped form: sections stacked in a scrolling column on the grouped background. The
// column's width is clamped to minimumContentWidth..maximumContentWidth and centred; a window
// narrower than the minimum scrolls sideways rather than squeezing the rows. The control that
// takes the keyboard focus is scrolled into view.
Rectangle {
    id: root

    property real minimumContentWidth: 0
    property real maximumContentWidth: 100000
    property real spacing: 18
    property real padding: 20
    default property alias content: column.data
    readonly property alias contentWidth: column.width
    readonly property alias flickable: flick

    color: Theme.groupedBackground

    // Rows that come and go above the focused control move it: it is kept in view then too.
    readonly property Item focusedItem: Window.activeFocusItem
    onFocusedItemChanged: reveal(focusedItem)
    Connections {
        target: flick
        function onContentHeightChanged() { root.reveal(root.focusedItem) }
    }

    // Scrolls the form so that `item`, when it lies in the form, shows whole with a margin.
    function reveal(item) {
        if (!item)
            return
        let inside = item
        while (inside && inside !== flick.contentItem)
            inside = inside.parent
        if (!inside)
            return
        const margin = 8
        const area = item.mapToItem(flick.contentItem, 0, 0)
        const bottomMost = Math.max(0, flick.contentHeight - flick.height)
        if (area.y - margin < flick.contentY)
            flick.contentY = Math.max(0, area.y - margin)
        else if (area.y + item.height + margin > flick.contentY + flick.height)
            flick.contentY = Math.min(bottomMost, area.y + item.height + margin - flick.height)
        const rightMost = Math.max(0, flick.contentWidth - flick.width)
        if (area.x - margin < flick.contentX)
            flick.contentX = Math.max(0, area.x - margin)
        else if (area.x + item.width + margin > flick.contentX + flick.width)
            flick.contentX = Math.min(rightMost, area.x + item.width + margin - flick.width)
    }

    Flickable {
        id: flick
        anchors.fill: parent
        contentWidth: Math.max(width, column.width + 2 * root.padding)
        contentHeight: column.implicitHeight + 2 * root.padding
        boundsBehavior: Flickable.StopAtBounds
        clip: true
        ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

        Column {
            id: column
            x: Math.max(root.padding, (flick.width - width) / 2)
            y: root.padding
            width: Math.max(root.minimumContentWidth,
                            Math.min(root.maximumContentWidth, flick.width - 2 * root.padding))
            spacing: root.spacing
        }
    }
}
