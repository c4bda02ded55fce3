import QtQuick
import Sismovantaquelorin.Core

// One magnitude category: its colour, name and range, its count, and a bar as long as its
// share of the largest category.
Column {
    id: root

    property var stat   // a magnitudeStat
    readonly property real barHeight: 12
    readonly property string countText: Localized.format("%lld", "%lld", [stat ? stat.count : 0])

    spacing: 5
    Accessible.role: Accessible.StaticText
    Accessible.name: stat ? stat.label + " " + stat.range + ": " + countText : ""

    Item {
        width: root.width
        height: Math.max(label.implicitHeight, count.implicitHeight)

        Rectangle {
            id: dot
            anchors.verticalCenter: parent.verticalCenter
            width: 10
            height: 10
            radius: 5
            color: root.stat ? root.stat.color : "transparent"
        }
        Text {
            id: label
            anchors.left: dot.right
            anchors.leftMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            text: root.stat ? root.stat.label : ""
            textFormat: Text.PlainText
            font: Theme.subheadline
            color: Theme.label
        }
        Text {
            anchors.left: label.right
            anchors.leftMargin: 8
            anchors.right: count.left
            anchors.rightMargin: 8
            anchors.baseline: label.baseline
            text: root.stat ? root.stat.range : ""
            textFormat: Text.PlainText
            elide: Text.ElideRight
            font: Theme.caption
            color: Theme.tertiaryLabel
        }
        Text {
            id: count
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
        fraction: root.stat && root.stat.count > 0 ? root.stat.fraction : 0
        fillColor: root.stat ? root.stat.color : "transparent"
    }
}
