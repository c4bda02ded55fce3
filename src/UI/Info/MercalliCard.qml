import QtQuick
import Sismovantaquelorin

// One magnitude category: its range on a 52 x 52 badge in its colour, its name and its
// description (wrapped, never cut), on a card tinted with the colour.
Rectangle {
    id: card

    // {label, description, range, color} of one category.
    required property var category

    implicitHeight: Math.max(badge.height, texts.implicitHeight) + 2 * 14
    radius: 14
    color: Qt.rgba(category.color.r, category.color.g, category.color.b, 0.08)
    border.width: 1
    border.color: Qt.rgba(category.color.r, category.color.g, category.color.b, 0.3)
    Accessible.role: Accessible.StaticText
    Accessible.name: category.label + ", " + category.range + ". " + category.description

    Rectangle {
        id: badge
        objectName: "mercalliBadge"
        x: 14
        y: 14
        width: 52
        height: 52
        radius: 8
        color: card.category.color
        Text {
            anchors.fill: parent
            anchors.margins: 4
            text: card.category.range
            textFormat: Text.PlainText
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            wrapMode: Text.Wrap
            font: Theme.rounded(Qt.font({ pixelSize: 9 }), Font.Bold)
            color: Qt.rgba(0, 0, 0, 0.65)
        }
    }

    Column {
        id: texts
        anchors.left: badge.right
        anchors.leftMargin: 14
        anchors.right: parent.right
        anchors.rightMargin: 14
        y: 14
        spacing: 4
        Text {
            width: parent.width
            text: card.category.label
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Theme.headline
            color: Theme.label
        }
        Text {
            objectName: "mercalliDescription"
            width: parent.width
            text: card.category.description
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Theme.subheadline
            color: Theme.secondaryLabel
        }
    }
}
