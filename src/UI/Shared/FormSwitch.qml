import QtQuick

// A switch that only shows `checked` and asks for a change with `toggled(wanted)`: it never
// flips itself, so a refused request leaves it showing the stored value.
Item {
    id: root

    property bool checked: false
    property string accessibleName
    signal toggled(bool wanted)

    function request() {
        if (enabled)
            toggled(!checked)
    }

    implicitWidth: 32
    implicitHeight: 19
    activeFocusOnTab: true
    opacity: enabled ? 1 : 0.4

    Accessible.role: Accessible.CheckBox
    Accessible.name: accessibleName
    Accessible.checkable: true
    Accessible.checked: checked
    Accessible.onPressAction: request()
    Accessible.onToggleAction: request()

    Keys.onSpacePressed: request()

    Rectangle {
        id: track
        anchors.fill: parent
        radius: height / 2
        color: root.checked ? Theme.accent : (Theme.dark ? Qt.rgba(1, 1, 1, 0.2) : Qt.rgba(0, 0, 0, 0.1))
        border.width: root.checked ? 0 : 1
        border.color: Theme.dark ? Qt.rgba(1, 1, 1, 0.08) : Qt.rgba(0, 0, 0, 0.08)
        Behavior on color { ColorAnimation { duration: 120 } }
    }
    Rectangle {
        anchors.fill: parent
        anchors.margins: -3
        radius: height / 2
        color: "transparent"
        border.width: 2
        border.color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.5)
        visible: root.activeFocus
    }
    Rectangle {
        id: knob
        width: root.height - 2
        height: width
        radius: width / 2
        y: 1
        x: root.checked ? root.width - width - 1 : 1
        color: tap.pressed ? "#f0f0f0" : "#ffffff"
        border.width: 1
        border.color: Qt.rgba(0, 0, 0, 0.12)
        Behavior on x { NumberAnimation { duration: 120; easing.type: Easing.OutCubic } }
    }

    TapHandler {
        id: tap
        onTapped: root.request()
    }
}
