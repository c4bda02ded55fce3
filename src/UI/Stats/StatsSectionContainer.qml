import QtQuick

// One section of the statistics screen: a bold title above the section's content, on a card
// tinted with the secondary label colour. Content items stack in a column as wide as the card.
Item {
    id: root

    property string title
    default property alias content: body.data

    implicitHeight: column.implicitHeight + 32
    Accessible.role: Accessible.Grouping
    Accessible.name: title

    Rectangle {
        anchors.fill: parent
        radius: 16
        color: Qt.rgba(Theme.secondaryLabel.r, Theme.secondaryLabel.g, Theme.secondaryLabel.b,
                       Theme.secondaryLabel.a * 0.1)
    }

    Column {
        id: column
        x: 16
        y: 16
        width: root.width - 32
        spacing: 12

        Text {
            width: parent.width
            text: root.title
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Theme.weighted(Theme.title3, Font.Bold)
            color: Theme.label
            Accessible.role: Accessible.Heading
            Accessible.name: text
        }
        Column {
            id: body
            width: parent.width
            spacing: 12
        }
    }
}
