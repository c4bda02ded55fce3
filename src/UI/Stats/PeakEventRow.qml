import QtQuick
import Sismovantaquelorin.Core

// The strongest event of a period: the period's name, then the event's magnitude badge above
// its place, or "Sin datos" when the period has no event.
Item {
    id: root

    property string periodLabel
    property var event: null   // a peakEvent, or null

    readonly property bool hasEvent: event !== null && event !== undefined
    readonly property string noneText: Localized.text("stats.destacados.none", "Sin datos")

    implicitHeight: Math.max(period.implicitHeight, hasEvent ? trailing.implicitHeight : none.implicitHeight) + 4
    Accessible.role: Accessible.StaticText
    Accessible.name: periodLabel + ": "
                     + (hasEvent ? badge.text + ", " + event.earthquake.location : noneText)

    Text {
        id: period
        anchors.left: parent.left
        anchors.right: (root.hasEvent ? trailing : none).left
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        text: root.periodLabel
        textFormat: Text.PlainText
        elide: Text.ElideRight
        font: Theme.subheadline
        color: Theme.secondaryLabel
    }

    Column {
        id: trailing
        objectName: "peakEvent"
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        visible: root.hasEvent
        spacing: 2

        MagnitudeBadge {
            id: badge
            x: trailing.width - width
            magnitude: root.hasEvent ? root.event.earthquake.magnitude : 0
        }
        Text {
            objectName: "peakPlace"
            x: trailing.width - width
            width: Math.min(implicitWidth, root.width * 0.6)
            horizontalAlignment: Text.AlignRight
            text: root.hasEvent ? root.event.earthquake.location : ""
            textFormat: Text.PlainText
            elide: Text.ElideRight
            maximumLineCount: 1
            font: Theme.caption
            color: Theme.secondaryLabel
        }
    }

    Text {
        id: none
        objectName: "peakNone"
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        visible: !root.hasEvent
        text: root.noneText
        textFormat: Text.PlainText
        font: Theme.subheadline
        color: Theme.tertiaryLabel
    }
}
