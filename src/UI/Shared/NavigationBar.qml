import QtQuick
import Sismovantaquelorin.Core

// The header of a screen: an optional back button, the title with an optional subtitle, and
// a trailing row of toolbar items (put ToolbarButtons in `trailing`).
Rectangle {
    id: root

    property string title
    property string subtitle
    property bool showsBackButton: false
    property real leadingInset: 0   // room left free before the back button and the title
    property alias trailing: trailingRow.data
    property alias leading: leadingRow.data

    signal back()

    implicitHeight: Theme.toolbarHeight
    color: Theme.windowBackground

    Row {
        id: leadingRow
        anchors.left: parent.left
        anchors.leftMargin: 12 + root.leadingInset
        anchors.verticalCenter: parent.verticalCenter
        spacing: 4

        ToolbarButton {
            visible: root.showsBackButton
            symbol: "chevron.left"
            symbolSize: 14
            accessibleName: Localized.text("navigation.back", "Atrás")
            onClicked: root.back()
        }
    }

    Column {
        id: titles
        anchors.left: leadingRow.right
        anchors.leftMargin: leadingRow.width > 0 ? 8 : 8
        anchors.right: trailingRow.left
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        spacing: 1

        Text {
            width: parent.width
            text: root.title
            textFormat: Text.PlainText
            elide: Text.ElideRight
            font: Theme.weighted(Theme.title3, Font.Bold)
            color: Theme.label
        }
        Text {
            width: parent.width
            visible: root.subtitle.length > 0
            text: root.subtitle
            textFormat: Text.PlainText
            elide: Text.ElideRight
            font: Theme.subheadline
            color: Theme.secondaryLabel
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }

    Row {
        id: trailingRow
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        spacing: 4
    }

    Divider {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
    }
}
