import QtQuick
import Sismovantaquelorin.Core

// The information sheet's content; a titled page until the information screen replaces it.
NavigationStack {
    implicitWidth: 520
    implicitHeight: 560
    initialItem: NavigationPage {
        title: Localized.text("tab.info", "Información")
    }
}
