import QtQuick

// A pressable area for controls that are no push button: a pop-up button, a menu item, a
// segment. Qt Quick's own buttons report the push-button role to screen readers whatever role
// they declare; this item reports the role it is given. A click, Space, Return and the
// accessibility press action all emit `clicked()`, and nothing while disabled.
Item {
    id: root

    readonly property bool hovered: area.containsMouse
    readonly property bool down: area.pressed
    signal clicked()

    function click() {
        if (enabled)
            clicked()
    }

    activeFocusOnTab: true
    Accessible.role: Accessible.Button
    Accessible.focusable: true
    Accessible.onPressAction: click()

    Keys.onPressed: event => {
        if (event.key === Qt.Key_Space || event.key === Qt.Key_Return || event.key === Qt.Key_Enter) {
            event.accepted = true
            if (!event.isAutoRepeat)
                click()
        }
    }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        onClicked: root.click()
    }
}
