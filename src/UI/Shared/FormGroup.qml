import QtQuick
import QtQuick.Controls

// A grouped form: sections stacked in a scrolling column on the grouped background. The
// column's width is clamped to minimumContentWidth..maximumContentWidth and centred; a window
// narrower than the minimum scrolls sideways rather than squeezing the rows.
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
