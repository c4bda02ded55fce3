import QtQuick
import QtQuick.Templates as T

// A push button of a sheet's bottom row; the default one is filled with the accent colour.
T.Button {
    id: root

    property bool isDefault: false

    implicitWidth: Math.max(76, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: 26
    leftPadding: 14
    rightPadding: 14
    focusPolicy: Qt.TabFocus
    hoverEnabled: true
    Accessible.name: text
    Accessible.onPressAction: if (enabled) clicked()

    contentItem: Text {
        text: root.text
        textFormat: Text.PlainText
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        font: Theme.body
        color: root.isDefault ? "white" : Theme.label
        opacity: root.enabled ? 1 : 0.4
    }
    background: Rectangle {
        radius: Theme.controlRadius
        color: root.isDefault ? (root.down ? Qt.darker(Theme.accent, 1.15) : Theme.accent)
                              : (root.down ? Theme.pressedFill : Theme.control)
        border.width: root.isDefault ? 0 : 1
        border.color: Theme.controlBorder
        Rectangle {
            anchors.fill: parent
            anchors.margins: -3
            radius: parent.radius + 3
            color: "transparent"
            border.width: 3
            border.color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.45)
            visible: root.visualFocus
        }
    }
}
