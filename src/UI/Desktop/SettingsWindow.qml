import QtQuick
import QtQuick.Controls
import Sismovantaquelorin.Core
import Sismovantaquelorin.Desktop

// The settings window: one instance, opened by its identifier "settings".
ApplicationWindow {
    id: window

    width: 520
    height: 480
    minimumWidth: 460
    visible: false  // the window scenes show it
    title: Localized.text("Ajustes", "Ajustes")
    color: Theme.groupedBackground

    SettingsView {
        id: settingsView
        objectName: "settingsView"
        anchors.fill: parent
    }

    // Nothing reports a permission changed in the desktop's settings: read again on return.
    onActiveChanged: if (active && settingsView.viewModel) settingsView.viewModel.activate()

    CommandShortcuts {}

    Shortcut {
        sequences: [StandardKey.Close]
        onActivated: window.close()
    }
}
