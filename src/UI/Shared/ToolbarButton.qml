import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T

// A borderless icon button of a toolbar: a symbol, a soft highlight on hover and press.
// Set contentItem for other content (a spinner, a symbol over a bar).
T.AbstractButton {
    id: root

    property string symbol
    property color symbolColor: Theme.toolbarSymbol
    property real symbolSize: 16
    property string toolTip
    // What a screen reader says for the button: its tooltip, or a name of its own for a button
    // that shows only an image.
    property string accessibleName: toolTip

    implicitWidth: Math.max(28, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(28, implicitContentHeight + topPadding + bottomPadding)
    padding: 6
    hoverEnabled: true
    focusPolicy: Qt.TabFocus

    contentItem: Item {
        implicitWidth: root.symbolSize
        implicitHeight: root.symbolSize
        opacity: root.enabled ? 1 : 0.35
        SFSymbol {
            anchors.centerIn: parent
            name: root.symbol
            size: root.symbolSize
            color: root.symbolColor
        }
    }

    background: Rectangle {
        radius: Theme.controlRadius
        color: root.down ? Theme.pressedFill : (root.hovered && root.enabled ? Theme.hoverFill : "transparent")
        border.width: root.visualFocus ? 2 : 0
        border.color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.5)
    }

    Accessible.name: text.length > 0 ? text : accessibleName
    // Qt Quick's buttons ignore a screen reader's press unless told what it does.
    Accessible.onPressAction: if (enabled) clicked()

    ToolTip.visible: hovered && toolTip.length > 0
    ToolTip.delay: 700
    ToolTip.text: toolTip
}
