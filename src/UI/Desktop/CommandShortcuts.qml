import QtQuick
import Sismovantaquelorin.Desktop

// The command table's shortcuts for a window without a menu bar (the settings window), so that
// the application's commands work from every one of its windows. Main windows get theirs from
// their menu bar.
Item {
    id: root

    Component {
        id: shortcutComponent
        Shortcut {
            property string command
            onActivated: AppCommands.trigger(command)
        }
    }

    Component.onCompleted: {
        const menus = AppCommands.menus
        for (let m = 0; m < menus.length; ++m) {
            const items = menus[m].items
            for (let i = 0; i < items.length; ++i) {
                if (items[i].shortcut.length > 0)
                    shortcutComponent.createObject(root, { sequence: items[i].shortcut, command: items[i].id })
            }
        }
    }
}
