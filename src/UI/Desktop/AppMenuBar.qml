import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Sismovantaquelorin.Desktop

// A main window's menu bar, built from the command table: every item runs its command through
// AppCommands.trigger, and its shortcut works while this window is active (the settings window
// has the same shortcuts through CommandShortcuts).
T.MenuBar {
    id: bar

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)
    leftPadding: 4
    font: Theme.body

    delegate: T.MenuBarItem {
        id: barItem
        implicitWidth: label.implicitWidth + leftPadding + rightPadding
        implicitHeight: 26
        leftPadding: 10
        rightPadding: 10
        Accessible.name: text
        Accessible.onPressAction: clicked()
        contentItem: Text {
            id: label
            text: barItem.text
            textFormat: Text.PlainText
            font: Theme.body
            color: Theme.label
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            anchors.fill: parent
            anchors.topMargin: 3
            anchors.bottomMargin: 3
            radius: 4
            color: barItem.highlighted ? Theme.fill : "transparent"
        }
    }

    contentItem: Row {
        spacing: 0
        Repeater {
            model: bar.contentModel
        }
    }

    background: Rectangle {
        implicitHeight: 26
        color: Theme.windowBackground
        Divider {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
        }
    }

    Component {
        id: menuComponent
        AppMenu {}
    }
    Component {
        id: actionComponent
        T.Action {}
    }
    Component {
        id: separatorComponent
        T.MenuSeparator {
            implicitHeight: 9
            contentItem: Rectangle {
                implicitHeight: 1
                color: Theme.separator
            }
            leftPadding: 10
            rightPadding: 10
            topPadding: 4
            bottomPadding: 4
        }
    }

    function build() {
        const menus = AppCommands.menus
        for (let m = 0; m < menus.length; ++m) {
            const menu = menuComponent.createObject(bar, { title: menus[m].title })
            const items = menus[m].items
            for (let i = 0; i < items.length; ++i) {
                const entry = items[i]
                if (entry.separatorBefore)
                    menu.addItem(separatorComponent.createObject(bar))
                const action = actionComponent.createObject(menu, { text: entry.title, shortcut: entry.shortcut })
                action.objectName = "action_" + entry.id
                action.triggered.connect(() => AppCommands.trigger(entry.id))
                menu.addAction(action)
            }
            bar.addMenu(menu)
        }
    }

    Component.onCompleted: build()
}
