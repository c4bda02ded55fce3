import QtQuick
import Sismovantaquelorin
import Sismovantaquelorin.Core

// The settings window's content at the window's size; `openMenu` names a picker whose menu
// shows (the picker takes the focus first, so the form scrolls to it); `scrollToEnd` scrolls
// the form down.
Rectangle {
    id: root

    property SettingsViewModel viewModel
    property string openMenu
    property bool scrollToEnd: false

    color: Theme.groupedBackground

    function find(item, name) {
        if (item.objectName === name)
            return item
        for (let i = 0; i < item.children.length; ++i) {
            const found = find(item.children[i], name)
            if (found)
                return found
        }
        return null
    }

    SettingsView {
        id: view
        anchors.fill: parent
        viewModel: root.viewModel
    }

    Timer {
        interval: 120
        running: true
        onTriggered: {
            if (root.openMenu.length > 0) {
                const picker = root.find(view, root.openMenu)
                picker.button.forceActiveFocus()
                picker.menu.open()
            }
            if (root.scrollToEnd)
                view.form.flickable.contentY = Math.max(0, view.form.flickable.contentHeight - view.form.flickable.height)
        }
    }
}
