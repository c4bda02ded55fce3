import QtQuick
import QtQuick.Controls
import Sismovantaquelorin
import Sismovantaquelorin.Core

// The filter choices as a menu: an outline filter button opening two sections, magnitude and
// date, with a checkmark on the current choice of each and no reset entry. Any view model with
// the two filters serves (selectedFilter, selectedDateFilter, magnitudeChoices, dateChoices).
// Kept beside the popover as its menu form; no screen shows it.
ToolbarButton {
    id: root

    required property var viewModel

    symbol: "line.3.horizontal.decrease.circle"
    onClicked: menu.open()

    component Choice: MenuItem {
        required property var modelData
        property bool current: false
        text: modelData.label
        icon.source: current ? Symbols.source("checkmark", Theme.label) : ""
    }

    Menu {
        id: menu
        y: root.height

        MenuItem { text: Localized.text("filter.magnitude.header", "Magnitude"); enabled: false }
        Repeater {
            model: root.viewModel.magnitudeChoices
            Choice {
                current: root.viewModel.selectedFilter === modelData.id
                onTriggered: root.viewModel.selectedFilter = modelData.id
            }
        }
        MenuSeparator {}
        MenuItem { text: Localized.text("filter.date.header", "Date"); enabled: false }
        Repeater {
            model: root.viewModel.dateChoices
            Choice {
                current: root.viewModel.selectedDateFilter === modelData.id
                onTriggered: root.viewModel.selectedDateFilter = modelData.id
            }
        }
    }
}
