import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T

// A pop-up attached to an item (a menu under its button, a calendar under its field), kept
// inside the window: below the item where it fits, else above it, else moved into the room;
// never taller than the room, its content scrolling when it is taller than that. Its right
// edge meets the item's, unless the window's edge is nearer. Items in `keepClear` are never
// covered: one below the anchor ends the room there, one above starts it. Put one item in it.
T.Popup {
    id: root

    property Item anchorItem
    property var keepClear: []
    readonly property real gap: 4
    readonly property real margin: 8
    default property Item content
    readonly property alias scroller: scroller

    parent: anchorItem
    padding: 5
    focus: true
    closePolicy: T.Popup.CloseOnEscape | T.Popup.CloseOnPressOutside

    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding

    // Scrolls the content so that `item`, one of its descendants, shows whole.
    function reveal(item) {
        const top = item.mapToItem(scroller.contentItem, 0, 0).y
        if (top < scroller.contentY)
            scroller.contentY = top
        else if (top + item.height > scroller.contentY + scroller.height)
            scroller.contentY = top + item.height - scroller.height
    }

    function place() {
        const overlay = T.Overlay.overlay
        if (!anchorItem || !overlay)
            return
        const origin = anchorItem.mapToItem(overlay, 0, 0)
        let top = margin
        let bottom = overlay.height - margin
        for (const item of keepClear) {
            if (!item || !item.visible)
                continue
            const y = item.mapToItem(overlay, 0, 0).y
            if (y >= origin.y + anchorItem.height)
                bottom = Math.min(bottom, y - gap)
            else if (y + item.height <= origin.y)
                top = Math.max(top, y + item.height + gap)
        }
        const h = Math.max(0, Math.min(implicitHeight, bottom - top))
        const w = Math.min(implicitWidth, overlay.width - 2 * margin)
        const below = origin.y + anchorItem.height + gap
        const above = origin.y - gap - h
        const y = below + h <= bottom ? below : above >= top ? above : Math.max(top, Math.min(bottom - h, below))
        const x = Math.max(margin, Math.min(overlay.width - margin - w, origin.x + anchorItem.width - w))
        width = w
        height = h
        // The pop-up's parent is the anchor: its position counts from there.
        root.x = x - origin.x
        root.y = y - origin.y
    }

    onAboutToShow: {
        scroller.contentY = 0
        place()
    }
    // Rows and layouts settle at their next polish; place again once shown, and on every change.
    onOpened: place()
    onImplicitWidthChanged: if (visible) place()
    onImplicitHeightChanged: if (visible) place()

    contentItem: Flickable {
        id: scroller
        implicitWidth: root.content ? root.content.implicitWidth : 0
        implicitHeight: root.content ? root.content.implicitHeight : 0
        contentWidth: width
        contentHeight: root.content ? root.content.implicitHeight : 0
        clip: true
        interactive: contentHeight > height
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }
    }
    onContentChanged: if (content) {
        content.parent = scroller.contentItem
        content.width = Qt.binding(() => scroller.width)
    }

    background: Rectangle {
        radius: 7
        color: Theme.popoverBackground
        border.width: 1
        border.color: Theme.dark ? Qt.rgba(1, 1, 1, 0.14) : Qt.rgba(0, 0, 0, 0.14)
    }
}
