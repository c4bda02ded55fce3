import QtQuick

// One labelled line of an event's data: icon, caption and value.
Item {
    id: root

    required property string icon
    required property string label
    required property string value

    implicitHeight: Math.max(symbol.height + 2, texts.implicitHeight) + 20
    Accessible.role: Accessible.StaticText
    Accessible.name: label + ": " + value

    SFSymbol {
        id: symbol
        x: 0
        y: 10 + 2
        width: 22
        name: root.icon
        size: 16
        color: Theme.secondaryLabel
    }
    Column {
        id: texts
        x: 22 + 12
        y: 10
        width: root.width - x
        spacing: 1
        Text {
            width: parent.width
            text: root.label
            textFormat: Text.PlainText
            font: Theme.caption
            color: Theme.secondaryLabel
        }
        Text {
            width: parent.width
            text: root.value
            textFormat: Text.PlainText
            font: Theme.body
            color: Theme.label
            wrapMode: Text.Wrap
        }
    }
}
