import QtQuick
import Sismovantaquelorin
import Sismovantaquelorin.Core

// One of the most active zones: its rank, its commonest place name above the cell's centre,
// and its count above the average magnitude.
Item {
    id: root

    property int rank
    property var cluster   // a clusterStat

    readonly property string rankText: Localized.format("%lld", "%lld", [rank])
    readonly property string countText: Localized.format("%lld", "%lld", [cluster ? cluster.count : 0])
    // Fixed formats, never the user's locale; the longitude's sign is dropped ("O": oeste).
    readonly property string centreText: cluster ? Formats.oneDecimal(cluster.latKey) + "\u00b0 N  "
                                                   + Formats.oneDecimal(Math.abs(cluster.lonKey)) + "\u00b0 O" : ""
    readonly property string averageText: cluster ? "\u00d8 " + Formats.oneDecimal(cluster.averageMagnitude) : ""

    implicitHeight: Math.max(middle.implicitHeight, trailing.implicitHeight) + 16
    Accessible.role: Accessible.StaticText
    Accessible.name: rankText + ". " + (cluster ? cluster.displayName : "") + ", " + centreText + ", "
                     + countText + ", " + averageText

    Text {
        objectName: "rank"
        anchors.verticalCenter: parent.verticalCenter
        width: 18
        horizontalAlignment: Text.AlignHCenter
        text: root.rankText
        textFormat: Text.PlainText
        font: Theme.rounded(Theme.caption, Font.Bold)
        color: Theme.secondaryLabel
    }

    Column {
        id: middle
        anchors.verticalCenter: parent.verticalCenter
        x: 18 + 12
        width: trailing.x - 12 - x
        spacing: 2

        Text {
            objectName: "zoneName"
            width: parent.width
            text: root.cluster ? root.cluster.displayName : ""
            textFormat: Text.PlainText
            elide: Text.ElideRight
            maximumLineCount: 1
            font: Theme.weighted(Theme.subheadline, Font.DemiBold)
            color: Theme.label
        }
        Text {
            width: parent.width
            text: root.centreText
            textFormat: Text.PlainText
            elide: Text.ElideRight
            font: Theme.caption
            color: Theme.tertiaryLabel
        }
    }

    Column {
        id: trailing
        anchors.verticalCenter: parent.verticalCenter
        x: root.width - width
        spacing: 2

        Text {
            x: trailing.width - width
            text: root.countText
            textFormat: Text.PlainText
            font: Theme.weighted(Theme.subheadline, Font.DemiBold)
            color: Theme.label
        }
        Text {
            x: trailing.width - width
            text: root.averageText
            textFormat: Text.PlainText
            font: Theme.caption
            color: Theme.secondaryLabel
        }
    }
}
