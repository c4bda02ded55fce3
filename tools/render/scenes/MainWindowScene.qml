import QtQuick
import Sismovantaquelorin
import Sismovantaquelorin.Core
import Sismovantaquelorin.Desktop

// A main window as the user sees it: its menu bar over its root view, on a given section and
// with the sidebar shown or hidden.
Rectangle {
    id: root

    property ModelContext context
    property string section: "sismos"
    property bool sidebarHidden: false
    property bool infoSheet: false
    property var dark  // undefined: left to the desktop's preference
    property int openMenu: -1

    color: Theme.background

    Component.onCompleted: {
        if (dark !== undefined)
            Theme.dark = dark
        NavigationState.sidebarSelection = section
        if (sidebarHidden)
            mainView.columnVisibility.value = ColumnVisibility.DetailOnly
        if (infoSheet)
            mainView.showInfoSheet = true
        if (openMenu >= 0)
            Qt.callLater(() => {
                const menu = menuBar.menuAt(openMenu)
                menu.x = menuBar.itemAt(openMenu).x
                menu.y = menuBar.height
                menu.open()
            })
    }

    AppMenuBar {
        id: menuBar
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
    }

    MacMainView {
        id: mainView
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: menuBar.bottom
        anchors.bottom: parent.bottom
        context: root.context
    }
}
