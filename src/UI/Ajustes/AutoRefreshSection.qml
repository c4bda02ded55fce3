import QtQuick
import Sismovantaquelorin.Core

// The automatic refresh interval, always shown.
FormSection {
    id: section

    property SettingsViewModel viewModel

    header: Localized.text("Actualización automática", "Actualización automática")
    footer: viewModel ? viewModel.refreshFooter : ""

    FormMenuPicker {
        objectName: "refreshPicker"
        title: Localized.text("Frecuencia", "Frecuencia")
        model: section.viewModel ? section.viewModel.refreshChoices : []
        currentValue: section.viewModel ? section.viewModel.settings.refreshInterval : -1
        onActivated: value => section.viewModel.setRefreshInterval(value)
    }
}
