import QtQuick
import QtQuick.Controls
import Sismovantaquelorin.Core
import Sismovantaquelorin.Desktop

// The settings window: one instance, opened by its identifier "settings".
ApplicationWindow {
    id: window

    width: 520
    height: 480
    visible: false  // the window scenes show it
    title: Localized.text("Ajustes", "Ajustes")
    color: Theme.groupedBackground

    SettingsView {
        anchors.fill: parent
    }

    CommandShortcuts {}

    Shortcut {
        sequences: [StandardKey.Close]
        onActivated: window.close()
    }
}
