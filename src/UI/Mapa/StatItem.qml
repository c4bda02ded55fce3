import QtQuick
import Sismovantaquelorin

// One figure of the map's callout: a symbol, the value and its label, centred in its share of
// the row.
Column {
    id: root

    property string icon
    property string value
    property string label

    spacing: 2

    SFSymbol {
        anchors.horizontalCenter: parent.horizontalCenter
        name: root.icon
        size: Theme.callout.pixelSize + 2
        color: Theme.secondaryLabel
    }
    Text {
        objectName: "value"
        width: root.width
        horizontalAlignment: Text.AlignHCenter
        text: root.value
        textFormat: Text.PlainText
        elide: Text.ElideRight
        font: Theme.weighted(Theme.subheadline, Font.DemiBold)
        color: Theme.label
    }
    Text {
        width: root.width
        horizontalAlignment: Text.AlignHCenter
        text: root.label
        textFormat: Text.PlainText
        elide: Text.ElideRight
        font: Theme.caption2
        color: Theme.secondaryLabel
    }
}
