import QtQuick
import QtQuick.Controls
import Sismovantaquelorin.Core
import Sismovantaquelorin.Desktop

// One main window: its own menu bar (built from the command table) over its own root view.
ApplicationWindow {
    id: window

    readonly property alias mainView: mainView

    width: 1100
    height: 720
    visible: false  // the window scenes show it
    color: Theme.background
    title: {
        const items = NavigationState.sidebarItems
        for (let i = 0; i < items.length; ++i)
            if (items[i].id === NavigationState.sidebarSelection)
                return items[i].label  // the platform appends the application's name
        return Localized.text("Terremotos", "Terremotos")
    }

    menuBar: AppMenuBar {}

    MacMainView {
        id: mainView
        objectName: "mainView"
        anchors.fill: parent
        context: Store.mainContext
        focus: true
    }

    Shortcut {
        sequences: [StandardKey.Close]
        onActivated: window.close()
    }
}
