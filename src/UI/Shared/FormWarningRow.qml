import QtQuick
import QtQuick.Templates as T

// A warning row: a tinted symbol, a title over a detail text, and a borderless button in the
// same tint on the right (`clicked()` is its action).
FormRow {
    id: root

    property string symbol
    property color tint: Theme.orange
    property string title
    property string detail
    property string buttonText
    readonly property alias button: button
    signal clicked()

    verticalPadding: 4 + 8
    Accessible.role: Accessible.AlertMessage
    Accessible.name: title + ". " + detail

    SFSymbol {
        id: icon
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        name: root.symbol
        color: root.tint
        size: 15
    }
    Column {
        anchors.left: icon.right
        anchors.leftMargin: 12
        anchors.right: button.left
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        spacing: 2
        Text {
            width: parent.width
            text: root.title
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Theme.weighted(Theme.subheadline, Font.DemiBold)
            color: Theme.label
        }
        Text {
            width: parent.width
            text: root.detail
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Theme.caption
            color: Theme.secondaryLabel
        }
    }
    T.AbstractButton {
        id: button
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: implicitContentWidth + leftPadding + rightPadding
        implicitHeight: implicitContentHeight + topPadding + bottomPadding
        padding: 2
        focusPolicy: Qt.StrongFocus
        Accessible.role: Accessible.Button
        Accessible.name: root.buttonText
        Accessible.onPressAction: if (enabled) clicked()
        contentItem: Text {
            text: root.buttonText
            textFormat: Text.PlainText
            font: Theme.weighted(Theme.caption, Font.DemiBold)
            color: root.tint
            opacity: button.down ? 0.6 : 1
        }
        background: Rectangle {
            radius: 3
            color: "transparent"
            border.width: button.visualFocus ? 2 : 0
            border.color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.5)
        }
        onClicked: root.clicked()
    }
}
