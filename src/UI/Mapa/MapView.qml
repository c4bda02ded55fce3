import QtQuick
import Sismovantaquelorin.Core

// The map section; a titled page until the map screen replaces it. It already takes the
// window's repository, as the map screen will.
NavigationStack {
    id: root

    required property EarthquakeRepository repository

    initialItem: NavigationPage {
        title: Localized.text("tab.mapa", "Mapa")
    }
}
