import QtQuick
import Sismovantaquelorin
import Sismovantaquelorin.Core

// The map's filter popover open with both filters set, under the map page's bar. The map
// itself is left out: the software renderer draws it too slowly for the popover's animations.
Rectangle {
    id: root
    color: Theme.dark ? "#1b2530" : "#c6dde9"   // the map's sea

    MapViewModel {
        id: viewModel
        Component.onCompleted: {
            selectedFilter = "low"
            selectedDateFilter = "last7d"
        }
    }

    NavigationBar {
        id: bar
        anchors.left: parent.left
        anchors.right: parent.right
        title: Localized.text("tab.mapa", "Mapa")
        trailing: [
            ToolbarButton {
                id: filterButton
                symbol: viewModel.filtersAreDefault ? "line.3.horizontal.decrease.circle"
                                                    : "line.3.horizontal.decrease.circle.fill"
                symbolColor: viewModel.filtersAreDefault ? Theme.toolbarSymbol : Theme.accent
            }
        ]
    }

    Popover {
        id: popover
        anchorItem: filterButton
        FilterPopoverContent { viewModel: viewModel }
    }

    Component.onCompleted: Qt.callLater(popover.open)
}
