import QtQuick

// The header of a list section, shown as written (no case change).
Item {
    id: root

    property string text
    property real leftPadding: 8

    implicitWidth: label.implicitWidth + leftPadding
    Accessible.role: Accessible.Heading
    Accessible.name: text
    implicitHeight: label.implicitHeight + 14

    Text {
        id: label
        anchors.left: parent.left
        anchors.leftMargin: root.leftPadding
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 4
        text: root.text
        textFormat: Text.PlainText
        elide: Text.ElideRight
        font: Theme.weighted(Theme.subheadline, Font.Bold)
        color: Theme.secondaryLabel
    }
}
