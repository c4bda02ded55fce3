import QtQuick
import Sismovantaquelorin
import Sismovantaquelorin.Core

// One event of a list: the badge, then the place on one line and, below it, the local date
// and time and the depth. Fed by plain values so a list model's roles bind to it directly.
Item {
    id: root

    required property real magnitude
    required property string location
    required property date date
    required property real depth
    // The row as one sentence, for screen readers: place, magnitude, time and depth.
    readonly property string accessibleSentence: Localized.format("accessibility.earthquakeRow",
        "%@, magnitud %@, %@, profundidad %@",
        [location, Formats.oneDecimal(magnitude), Formats.rowDate(date), Formats.kilometres(depth)])

    implicitWidth: row.implicitWidth
    implicitHeight: row.implicitHeight + 8

    Row {
        id: row
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        spacing: 12

        MagnitudeBadge {
            id: badge
            anchors.verticalCenter: parent.verticalCenter
            magnitude: root.magnitude
        }

        Column {
            anchors.verticalCenter: parent.verticalCenter
            width: row.width - badge.width - row.spacing
            spacing: 2

            Text {
                width: parent.width
                text: root.location
                textFormat: Text.PlainText
                font: Theme.weighted(Theme.subheadline, Font.DemiBold)
                color: Theme.label
                elide: Text.ElideRight
                maximumLineCount: 1
                // An empty place keeps its line, so the date and depth stay in place.
                height: Math.max(implicitHeight, fontMetrics.height)
                FontMetrics { id: fontMetrics; font: Theme.weighted(Theme.subheadline, Font.DemiBold) }
            }

            Row {
                spacing: 8
                SymbolLabel {
                    symbol: "clock"
                    text: Formats.rowDate(root.date)
                    font: Theme.caption
                    color: Theme.secondaryLabel
                }
                SymbolLabel {
                    symbol: "arrow.down"
                    text: Formats.kilometres(root.depth)
                    font: Theme.caption
                    color: Theme.secondaryLabel
                }
            }
        }
    }
}
