import QtQuick
import Sismovantaquelorin.Core

// Alerts by magnitude: the switch and, while it is on, the minimum category with its footer.
FormSection {
    id: section

    property SettingsViewModel viewModel
    readonly property bool byMagnitude: viewModel ? viewModel.settings.globalMagnitudeEnabled : false

    header: Localized.text("settings.alertType.header", "Alert type")
    footer: byMagnitude && viewModel ? viewModel.magnitudeFooter : ""

    FormToggleRow {
        objectName: "byMagnitudeToggle"
        symbol: "waveform.path.ecg"
        text: Localized.text("settings.byMagnitude", "By magnitude")
        checked: section.byMagnitude
        onToggled: wanted => section.viewModel.setGlobalMagnitudeEnabled(wanted)
    }
    FormMenuPicker {
        objectName: "magnitudeThresholdPicker"
        visible: section.byMagnitude
        title: Localized.text("settings.magnitudeThreshold", "Minimum threshold")
        model: section.viewModel ? section.viewModel.magnitudeChoices : []
        currentValue: section.viewModel ? section.viewModel.settings.globalMagnitudeCategory : -1
        onActivated: value => section.viewModel.setGlobalMagnitudeCategory(value)
    }
}
