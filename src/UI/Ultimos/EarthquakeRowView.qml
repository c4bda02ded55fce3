import QtQuick
import Sismovantaquelorin
import Sismovantaquelorin.Core

// One event of a list: the badge, then the place on one line and, below it, the local date
// and time and the depth, each after its symbol. Fed by plain values so a list model's roles
// bind to it directly. A list builds many of these at once, so the row is laid out with plain
// positions rather than nested rows and columns, and each text is formatted once.
Item {
    id: root

    required property real magnitude
    required property string location
    required property date date
    required property real depth

    readonly property string dateText: Formats.rowDate(date)
    readonly property string depthText: Formats.kilometres(depth)
    // The row as one sentence, for screen readers: place, magnitude, time and depth.
    readonly property string accessibleSentence: Localized.format("accessibility.earthquakeRow",
        "%@, magnitud %@, %@, profundidad %@", [location, badge.text, dateText, depthText])

    // The details' symbols: a little larger than their caption text, set apart from it.
    readonly property int symbolSize: Math.round(Theme.caption.pixelSize * 1.05)
    readonly property int symbolGap: Math.max(3, Math.round(Theme.caption.pixelSize * 0.35))

    implicitWidth: text.x + Math.max(place.implicitWidth, depthLabel.x + depthLabel.implicitWidth)
    implicitHeight: Math.max(badge.height, text.height) + 8

    MagnitudeBadge {
        id: badge
        anchors.verticalCenter: parent.verticalCenter
        magnitude: root.magnitude
    }

    // The place over the details, centred beside the badge.
    Item {
        id: text
        x: badge.width + 12
        width: root.width - x
        height: place.height + 2 + details.height
        anchors.verticalCenter: parent.verticalCenter

        Text {
            id: place
            width: parent.width
            // An empty place keeps its line (a no-break space), so the details stay in place.
            text: root.location.length > 0 ? root.location : "\u00a0"
            textFormat: Text.PlainText
            font: Theme.weighted(Theme.subheadline, Font.DemiBold)
            color: Theme.label
            elide: Text.ElideRight
            maximumLineCount: 1
        }

        Item {
            id: details
            y: place.height + 2
            width: parent.width
            height: Math.max(root.symbolSize, dateLabel.implicitHeight)

            Image {
                id: clock
                width: root.symbolSize
                height: root.symbolSize
                anchors.verticalCenter: parent.verticalCenter
                sourceSize: Qt.size(root.symbolSize, root.symbolSize)
                source: Symbols.source("clock", Theme.secondaryLabel)
                fillMode: Image.PreserveAspectFit
            }
            Text {
                id: dateLabel
                x: clock.width + root.symbolGap
                anchors.verticalCenter: parent.verticalCenter
                text: root.dateText
                textFormat: Text.PlainText
                font: Theme.caption
                color: Theme.secondaryLabel
            }
            Image {
                id: arrow
                x: dateLabel.x + dateLabel.implicitWidth + 8
                width: root.symbolSize
                height: root.symbolSize
                anchors.verticalCenter: parent.verticalCenter
                sourceSize: Qt.size(root.symbolSize, root.symbolSize)
                source: Symbols.source("arrow.down", Theme.secondaryLabel)
                fillMode: Image.PreserveAspectFit
            }
            Text {
                id: depthLabel
                x: arrow.x + arrow.width + root.symbolGap
                anchors.verticalCenter: parent.verticalCenter
                text: root.depthText
                textFormat: Text.PlainText
                font: Theme.caption
                color: Theme.secondaryLabel
            }
        }
    }
}
