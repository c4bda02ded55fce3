import QtQuick
import Sismovantaquelorin.Core

// One depth band: its name and range, its count, and a bar as long as its share of all events.
Column {
    id: root

    property string label
    property string detail
    property int count
    property real fraction
    property color color
    readonly property real barHeight: 10
    readonly property string countText: Localized.format("%lld", "%lld", [count])

    spacing: 4
    Accessible.role: Accessible.StaticText
    Accessible.name: label + " " + detail + ": " + countText

    Item {
        width: root.width
        height: Math.max(name.implicitHeight, countLabel.implicitHeight)

        Text {
            id: name
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            text: root.label
            textFormat: Text.PlainText
            font: Theme.subheadline
            color: Theme.label
        }
        Text {
            anchors.left: name.right
            anchors.leftMargin: 8
            anchors.right: countLabel.left
            anchors.rightMargin: 8
            anchors.baseline: name.baseline
            text: root.detail
            textFormat: Text.PlainText
            elide: Text.ElideRight
            font: Theme.caption
            color: Theme.tertiaryLabel
        }
        Text {
            id: countLabel
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            text: root.countText
            textFormat: Text.PlainText
            font: Theme.subheadline
            color: Theme.secondaryLabel
        }
    }

    StatsBar {
        width: root.width
        height: root.barHeight
        fraction: root.count > 0 ? root.fraction : 0
        fillColor: root.color
    }
}
