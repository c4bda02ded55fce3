import QtQuick

// A symbol followed by a title, vertically centred.
Row {
    id: root

    property string symbol
    property string text
    property font font: Theme.body
    property color color: Theme.label
    property real symbolSize: Math.round(font.pixelSize * 1.05)

    spacing: Math.max(3, Math.round(font.pixelSize * 0.35))

    SFSymbol {
        anchors.verticalCenter: parent.verticalCenter
        name: root.symbol
        color: root.color
        size: root.symbolSize
        visible: root.symbol.length > 0
    }
    Text {
        anchors.verticalCenter: parent.verticalCenter
        text: root.text
        textFormat: Text.PlainText
        font: root.font
        color: root.color
    }
}
