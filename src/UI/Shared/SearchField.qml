import QtQuick
import QtQuick.Templates as T

// A rounded search field: magnifying glass, placeholder, clear button. Escape clears the
// text, or, when it is already empty, gives up focus and emits closed().
T.TextField {
    id: root

    signal closed()

    implicitWidth: 220
    implicitHeight: 24
    leftPadding: 24
    rightPadding: clearButton.visible ? 22 : 8
    topPadding: 0
    bottomPadding: 0
    verticalAlignment: TextInput.AlignVCenter
    font: Theme.body
    color: Theme.label
    placeholderTextColor: Theme.placeholder
    selectionColor: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.35)
    selectedTextColor: Theme.label
    selectByMouse: true

    background: Rectangle {
        radius: 6
        color: Theme.textBackground
        border.width: 1
        border.color: Theme.controlBorder
        // The focus ring sits outside the field.
        Rectangle {
            anchors.fill: parent
            anchors.margins: -3
            radius: parent.radius + 3
            color: "transparent"
            border.width: 3
            border.color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.45)
            visible: root.activeFocus
        }
    }

    Text {
        x: root.leftPadding
        anchors.verticalCenter: parent.verticalCenter
        visible: root.text.length === 0 && root.preeditText.length === 0
        text: root.placeholderText
        textFormat: Text.PlainText
        font: root.font
        color: root.placeholderTextColor
        elide: Text.ElideRight
        width: root.width - root.leftPadding - root.rightPadding
    }

    SFSymbol {
        x: 7
        anchors.verticalCenter: parent.verticalCenter
        name: "magnifyingglass"
        size: 12
        color: Theme.secondaryLabel
    }

    Item {
        id: clearButton
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        width: 22
        height: parent.height
        visible: root.text.length > 0
        SFSymbol {
            anchors.centerIn: parent
            name: "xmark.circle.fill"
            size: 13
            color: clearArea.pressed ? Theme.secondaryLabel : Theme.tertiaryLabel
        }
        MouseArea {
            id: clearArea
            anchors.fill: parent
            cursorShape: Qt.ArrowCursor
            onClicked: {
                root.clear()
                root.forceActiveFocus()
            }
        }
    }

    Keys.onEscapePressed: event => {
        if (root.text.length > 0) {
            root.clear()
        } else {
            root.focus = false
            root.closed()
        }
        event.accepted = true
    }
}
