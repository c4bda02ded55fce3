import QtQuick
import QtQuick.Templates as T

// A floating rounded panel with an arrow, anchored to an item (below it when there is room,
// else above). Clicking outside or Escape closes it. Put the content in it directly.
T.Popup {
    id: root

    property Item anchorItem
    readonly property real arrowSize: 8
    property bool _above: false
    property real _arrowX: width / 2

    parent: T.Overlay.overlay
    padding: 0
    modal: false
    focus: true
    closePolicy: T.Popup.CloseOnEscape | T.Popup.CloseOnPressOutside

    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding

    function place() {
        if (!anchorItem || !parent)
            return
        const margin = 8
        const origin = anchorItem.mapToItem(parent, 0, 0)
        const centre = origin.x + anchorItem.width / 2
        const below = origin.y + anchorItem.height + arrowSize + 2
        const above = origin.y - arrowSize - 2 - height
        _above = below + height > parent.height - margin && above >= margin
        x = Math.max(margin, Math.min(parent.width - width - margin, centre - width / 2))
        y = _above ? above : below
        _arrowX = Math.max(radiusOf(background) + arrowSize, Math.min(width - radiusOf(background) - arrowSize, centre - x))
    }
    function radiusOf(item) { return Theme.panelRadius }

    onAboutToShow: place()
    // Rows and layouts position the anchor at their next polish; place again once shown.
    onOpened: place()
    onWidthChanged: if (visible) place()
    onHeightChanged: if (visible) place()

    background: Item {
        // A soft shadow drawn as a few widening, fading outlines (no effects module needed).
        Repeater {
            model: 4
            Rectangle {
                required property int index
                anchors.fill: parent
                anchors.margins: -(index + 1)
                anchors.topMargin: -(index + 1) + 2
                anchors.bottomMargin: -(index + 1) - 2
                radius: Theme.panelRadius + index + 1
                color: "transparent"
                border.width: 1
                border.color: Qt.rgba(0, 0, 0, (Theme.dark ? 0.22 : 0.06) * (4 - index) / 4)
            }
        }
        Rectangle {
            id: panel
            anchors.fill: parent
            radius: Theme.panelRadius
            color: Theme.popoverBackground
            border.width: 1
            border.color: Theme.dark ? Qt.rgba(1, 1, 1, 0.12) : Qt.rgba(0, 0, 0, 0.12)
        }
        // The arrow: a rotated square half hidden under the panel, with a patch over its base.
        Item {
            x: root._arrowX - width / 2
            y: root._above ? parent.height - 1 : -height + 1
            width: root.arrowSize * 2
            height: root.arrowSize
            clip: true
            Rectangle {
                width: root.arrowSize * Math.SQRT2
                height: width
                x: (parent.width - width) / 2
                y: root._above ? -height / 2 : parent.height - height / 2
                rotation: 45
                color: panel.color
                border.width: 1
                border.color: panel.border.color
                antialiasing: true
            }
        }
    }

    enter: Transition {
        NumberAnimation { property: "opacity"; from: 0; to: 1; duration: 120 }
    }
    exit: Transition {
        NumberAnimation { property: "opacity"; from: 1; to: 0; duration: 100 }
    }
}
