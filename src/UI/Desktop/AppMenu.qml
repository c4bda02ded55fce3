import QtQuick
import QtQuick.Templates as T

// A drop-down menu of the menu bar: a rounded panel with rows that show their shortcuts.
T.Menu {
    id: menu

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            contentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             contentHeight + topPadding + bottomPadding)
    padding: 5
    margins: 0
    overlap: 1
    font: Theme.body

    delegate: T.MenuItem {
        id: item

        readonly property string shortcutText: action && action.shortcut ? String(action.shortcut) : ""

        implicitWidth: Math.max(200, label.implicitWidth + shortcut.implicitWidth + leftPadding + rightPadding + 32)
        implicitHeight: 24
        leftPadding: 12
        rightPadding: 12
        hoverEnabled: true
        Accessible.name: text
        Accessible.onPressAction: if (enabled) clicked()

        contentItem: Item {
            Text {
                id: label
                anchors.left: parent.left
                anchors.verticalCenter: parent.verticalCenter
                text: item.text
                textFormat: Text.PlainText
                font: Theme.body
                color: item.highlighted ? "white" : (item.enabled ? Theme.label : Theme.tertiaryLabel)
            }
            Text {
                id: shortcut
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                text: item.shortcutText
                textFormat: Text.PlainText
                font: Theme.body
                color: item.highlighted ? Qt.rgba(1, 1, 1, 0.8) : Theme.secondaryLabel
            }
        }

        background: Rectangle {
            radius: 4
            color: item.highlighted ? Theme.accent : "transparent"
        }
    }

    background: Rectangle {
        implicitWidth: 200
        radius: 7
        color: Theme.popoverBackground
        border.width: 1
        border.color: Theme.dark ? Qt.rgba(1, 1, 1, 0.14) : Qt.rgba(0, 0, 0, 0.14)
    }

    contentItem: ListView {
        implicitHeight: contentHeight
        model: menu.contentModel
        interactive: Window.window ? contentHeight + menu.topPadding + menu.bottomPadding > Window.window.height : false
        clip: true
        currentIndex: menu.currentIndex
    }

    enter: Transition {
        NumberAnimation { property: "opacity"; from: 0; to: 1; duration: 80 }
    }
}
