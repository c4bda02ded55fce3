import QtQuick
import Sismovantaquelorin.Core

// The number of events of one period above the period's name, on a tinted tile. A count of
// zero is drawn in the secondary colour.
Rectangle {
    id: root

    property int count
    property string label

    readonly property string countText: Localized.format("%lld", "%lld", [count])

    implicitHeight: column.implicitHeight + 32
    radius: 12
    color: Qt.rgba(Theme.secondaryLabel.r, Theme.secondaryLabel.g, Theme.secondaryLabel.b,
                   Theme.secondaryLabel.a * 0.15)
    Accessible.role: Accessible.StaticText
    Accessible.name: label + ": " + countText

    Column {
        id: column
        anchors.verticalCenter: parent.verticalCenter
        x: 8
        width: parent.width - 16
        spacing: 4

        Text {
            objectName: "countText"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: root.countText
            textFormat: Text.PlainText
            font: Theme.rounded(Theme.title, Font.Bold)
            color: root.count === 0 ? Theme.secondaryLabel : Theme.label
        }
        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            text: root.label
            textFormat: Text.PlainText
            font: Theme.caption
            color: Theme.secondaryLabel
        }
    }
}
