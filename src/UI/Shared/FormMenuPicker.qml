import QtQuick

// A pop-up menu row: the title on the left, a button showing the current choice on the right.
// `model` is a list of {text, value} (an optional `color` draws a 10 x 10 dot before the text).
// Choosing a row emits `activated(value)`; the button shows `currentValue` and nothing else.
// Return, Space or Down on the button opens the menu, as a click does.
FormRow {
    id: root

    property string title
    property var model: []
    property var currentValue
    readonly property int currentIndex: {
        for (let i = 0; i < model.length; ++i)
            if (model[i].value === currentValue)
                return i
        return -1
    }
    readonly property alias button: button
    readonly property alias menu: menu
    signal activated(var value)

    component Choice: Row {
        required property var entry
        property color textColor: Theme.label
        spacing: 8
        Rectangle {
            anchors.verticalCenter: parent.verticalCenter
            width: 10
            height: 10
            radius: 5
            color: parent.entry.color !== undefined ? parent.entry.color : "transparent"
            visible: parent.entry.color !== undefined
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: parent.entry.text
            textFormat: Text.PlainText
            font: Theme.body
            color: parent.textColor
        }
    }

    Text {
        anchors.left: parent.left
        anchors.right: button.left
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        text: root.title
        textFormat: Text.PlainText
        elide: Text.ElideRight
        font: Theme.body
        color: Theme.label
    }

    Pressable {
        id: button
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: shown.implicitWidth + 8 + 5
        implicitHeight: 22
        width: implicitWidth
        height: implicitHeight
        Accessible.role: Accessible.ComboBox
        Accessible.name: root.title
        Accessible.description: root.currentIndex >= 0 ? root.model[root.currentIndex].text : ""
        onClicked: menu.open()
        Keys.onDownPressed: menu.open()

        Rectangle {
            anchors.fill: parent
            radius: 5
            color: button.down ? Qt.darker(Theme.control, Theme.dark ? 0.85 : 1.08) : Theme.control
            border.width: button.activeFocus ? 2 : 1
            border.color: button.activeFocus ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.5)
                                             : Theme.controlBorder
        }
        Row {
            id: shown
            x: 8
            anchors.verticalCenter: parent.verticalCenter
            spacing: 6
            Loader {
                anchors.verticalCenter: parent.verticalCenter
                active: root.currentIndex >= 0
                sourceComponent: Choice { entry: root.model[root.currentIndex] }
            }
            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: 16
                height: 16
                radius: 4
                color: Theme.accent
                SFSymbol {
                    anchors.centerIn: parent
                    name: "chevron.up.chevron.down"
                    size: 10
                    color: "white"
                }
            }
        }
    }

    // The choices: the current one has the keyboard focus (a screen reader follows it); Up and
    // Down move it, Return or Space chooses, Escape closes. The pointer moves it too.
    AnchoredPopup {
        id: menu
        anchorItem: button
        property int current: -1
        function focusOn(index, scroll = true) {
            const item = choices.itemAt(index)
            if (!item)
                return
            current = index
            item.forceActiveFocus()
            if (scroll)  // not under the pointer: the list would move beneath it
                reveal(item)
        }
        onOpened: focusOn(Math.max(0, root.currentIndex))
        // Qt hands the focus back to the window (or the sheet) that holds the button: it goes
        // on to the button, where the keyboard user left it.
        onClosed: {
            current = -1
            const focused = button.Window.activeFocusItem
            for (let item = button; item; item = item.parent)
                if (item === focused || !focused) {
                    button.forceActiveFocus()
                    return
                }
        }

        Item {
            id: list
            // As wide as the widest choice, and never narrower than the button.
            implicitWidth: {
                let widest = button.width - menu.leftPadding - menu.rightPadding
                for (let i = 0; i < choices.count; ++i)
                    if (choices.itemAt(i))
                        widest = Math.max(widest, choices.itemAt(i).implicitWidth)
                return widest
            }
            implicitHeight: column.implicitHeight
            Accessible.role: Accessible.PopupMenu
            Accessible.name: root.title
            Keys.onUpPressed: menu.focusOn(Math.max(0, menu.current - 1))
            Keys.onDownPressed: menu.focusOn(Math.min(choices.count - 1, menu.current + 1))
            Keys.onPressed: event => {
                if (event.key === Qt.Key_Home || event.key === Qt.Key_PageUp)
                    menu.focusOn(0)
                else if (event.key === Qt.Key_End || event.key === Qt.Key_PageDown)
                    menu.focusOn(choices.count - 1)
                else
                    return
                event.accepted = true
            }

            Column {
                id: column
                width: parent.width

                Repeater {
                    id: choices
                    model: root.model
                    Pressable {
                        id: item
                        objectName: "menuChoice"
                        required property var modelData
                        required property int index
                        readonly property bool highlighted: index === menu.current
                        width: column.width
                        implicitWidth: 22 + label.implicitWidth + 12
                        height: 22
                        activeFocusOnTab: false
                        Accessible.role: Accessible.MenuItem
                        Accessible.name: modelData.text
                        Accessible.checkable: true
                        Accessible.checked: index === root.currentIndex
                        onHoveredChanged: if (hovered) menu.focusOn(index, false)
                        onClicked: {
                            menu.close()
                            root.activated(modelData.value)
                        }

                        Rectangle {
                            anchors.fill: parent
                            radius: 4
                            color: item.highlighted ? Theme.accent : "transparent"
                        }
                        SFSymbol {
                            x: 6
                            anchors.verticalCenter: parent.verticalCenter
                            name: "checkmark"
                            size: 10
                            color: item.highlighted ? "white" : Theme.label
                            visible: item.index === root.currentIndex
                        }
                        Choice {
                            id: label
                            x: 22
                            anchors.verticalCenter: parent.verticalCenter
                            entry: item.modelData
                            textColor: item.highlighted ? "white" : Theme.label
                        }
                    }
                }
            }
        }
    }
}
