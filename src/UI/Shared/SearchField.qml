import QtQuick
import QtQuick.Templates as T
import Sismovantaquelorin.Core

// A rounded search field: magnifying glass, placeholder, clear button. Escape clears the
// text, or, when it is already empty, closes the search.
//
// A screen binds it both ways, `text` from its model and textChanged (writing back only a
// differing value) to it, never textEdited alone: clear() (the clear button, Escape) does not
// emit textEdited, so a model fed by edits keeps filtering by text no longer shown.
// `presented` follows the screen's flag: turning false empties the field, turning true focuses
// it; presentationRequested() asks the screen to change the flag (true on focus, false when
// Escape closes the empty search).
T.TextField {
    id: root

    property bool presented: false
    signal presentationRequested(bool presented)

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
        objectName: "clearSearchButton"
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
        Accessible.role: Accessible.Button
        Accessible.name: Localized.text("search.clear", "Borrar búsqueda")
        Accessible.onPressAction: clearArea.clicked(null)
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

    onPresentedChanged: {
        if (presented && !activeFocus)
            forceActiveFocus()
        else if (!presented && text.length > 0)
            clear()
    }
    onActiveFocusChanged: if (activeFocus && !presented) presentationRequested(true)

    Keys.onEscapePressed: event => {
        if (root.text.length > 0) {
            root.clear()
        } else {
            root.focus = false
            root.presentationRequested(false)
        }
        event.accepted = true
    }

    Accessible.name: placeholderText
    Accessible.role: Accessible.EditableText
}
