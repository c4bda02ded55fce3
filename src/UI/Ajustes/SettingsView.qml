import QtQuick
import Sismovantaquelorin.Core

// The content of the settings window; a titled page until the settings screen replaces it.
NavigationStack {
    initialItem: NavigationPage {
        title: Localized.text("Ajustes", "Ajustes")
        backgroundColor: Theme.groupedBackground
    }
}
