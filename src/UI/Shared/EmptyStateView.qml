import QtQuick

// The empty/unavailable state of a screen: a large dimmed symbol, a bold title and a
// secondary description, centred in the space it is given. Both texts are read by screen
// readers.
Item {
    id: root

    property string symbol
    property string title
    property string description

    implicitWidth: column.implicitWidth
    implicitHeight: column.implicitHeight

    Column {
        id: column
        anchors.centerIn: parent
        width: Math.min(root.width - 40, 360)
        spacing: 0

        SFSymbol {
            anchors.horizontalCenter: parent.horizontalCenter
            name: root.symbol
            size: 40
            color: Theme.secondaryLabel
            visible: root.symbol.length > 0
        }
        Item { width: 1; height: root.symbol.length > 0 ? 14 : 0 }
        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            text: root.title
            textFormat: Text.PlainText
            font: Theme.weighted(Theme.title2, Font.Bold)
            color: Theme.label
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
        Item { width: 1; height: root.description.length > 0 ? 6 : 0 }
        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            visible: root.description.length > 0
            text: root.description
            textFormat: Text.PlainText
            font: Theme.body
            color: Theme.secondaryLabel
            lineHeight: 1.1
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }
}
