import QtQuick
import QtQuick.Templates as T

// A pop-up menu row: the title on the left, a button showing the current choice on the right.
// `model` is a list of {text, value} (an optional `color` draws a 10 x 10 dot before the text).
// Choosing a row emits `activated(value)`; the button shows `currentValue` and nothing else.
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
            color: Theme.label
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

    T.AbstractButton {
        id: button
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: implicitContentWidth + leftPadding + rightPadding
        implicitHeight: 22
        leftPadding: 8
        rightPadding: 5
        hoverEnabled: true
        focusPolicy: Qt.StrongFocus
        Accessible.role: Accessible.ComboBox
        Accessible.name: root.title
        Accessible.description: root.currentIndex >= 0 ? root.model[root.currentIndex].text : ""

        contentItem: Row {
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
        background: Rectangle {
            radius: 5
            color: button.down ? Qt.darker(Theme.control, Theme.dark ? 0.85 : 1.08) : Theme.control
            border.width: button.visualFocus ? 2 : 1
            border.color: button.visualFocus ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.5)
                                             : Theme.controlBorder
        }
        onClicked: menu.open()
        Keys.onSpacePressed: menu.open()
    }

    T.Popup {
        id: menu
        parent: button
        y: button.height + 4
        x: button.width - width
        padding: 5
        modal: false
        focus: true
        closePolicy: T.Popup.CloseOnEscape | T.Popup.CloseOnPressOutside
        implicitWidth: Math.max(button.width, list.implicitWidth + leftPadding + rightPadding)
        implicitHeight: list.implicitHeight + topPadding + bottomPadding

        background: Rectangle {
            radius: 7
            color: Theme.popoverBackground
            border.width: 1
            border.color: Theme.dark ? Qt.rgba(1, 1, 1, 0.14) : Qt.rgba(0, 0, 0, 0.14)
        }
        contentItem: Column {
            id: list
            Repeater {
                model: root.model
                T.AbstractButton {
                    id: item
                    required property var modelData
                    required property int index
                    width: Math.max(list.width, implicitWidth)
                    implicitWidth: implicitContentWidth + leftPadding + rightPadding
                    implicitHeight: 22
                    leftPadding: 22
                    rightPadding: 12
                    hoverEnabled: true
                    Accessible.role: Accessible.MenuItem
                    Accessible.name: modelData.text
                    Accessible.checkable: true
                    Accessible.checked: index === root.currentIndex
                    contentItem: Choice { entry: item.modelData }
                    background: Rectangle {
                        radius: 4
                        color: item.hovered || item.down ? Theme.accent : "transparent"
                        SFSymbol {
                            x: 6
                            anchors.verticalCenter: parent.verticalCenter
                            name: "checkmark"
                            size: 10
                            color: item.hovered || item.down ? "white" : Theme.label
                            visible: item.index === root.currentIndex
                        }
                    }
                    onClicked: {
                        menu.close()
                        root.activated(modelData.value)
                    }
                }
            }
        }
    }
}
