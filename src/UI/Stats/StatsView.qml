import QtQuick
import Sismovantaquelorin.Core

// The statistics section; a titled page until the statistics screen replaces it.
NavigationStack {
    initialItem: NavigationPage {
        title: Localized.text("tab.estadisticas", "Estadísticas")
    }
}
