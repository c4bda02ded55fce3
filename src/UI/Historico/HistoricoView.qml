import QtQuick
import Sismovantaquelorin.Core

// The history section; a titled page until the history screen replaces it.
NavigationStack {
    initialItem: NavigationPage {
        title: Localized.text("tab.historico", "Histórico")
    }
}
