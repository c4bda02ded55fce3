import QtQuick
import Sismovantaquelorin.Core

// Alerts by proximity: the switch (which asks for location access when needed) and, while it is
// on, the radius or, when access is refused, the warning with the way to the location settings.
FormSection {
    id: section

    property SettingsViewModel viewModel

    header: Localized.text("settings.location.header", "Location")
    footer: Localized.text("settings.location.footer",
                           "Notifies when an earthquake occurs within the selected radius from your current location.")

    FormToggleRow {
        objectName: "proximityToggle"
        symbol: "location.fill"
        text: Localized.text("settings.byProximity", "By proximity")
        checked: section.viewModel ? section.viewModel.settings.locationNotificationsEnabled : false
        onToggled: wanted => section.viewModel.setLocationNotificationsEnabled(wanted)
    }
    FormWarningRow {
        objectName: "locationWarning"
        visible: section.viewModel ? section.viewModel.showsLocationWarning : false
        symbol: "location.slash.fill"
        tint: Theme.red
        title: Localized.text("settings.location.denied.title", "Location permission denied")
        detail: Localized.text("settings.location.denied.detail", "Enable it in System Settings.")
        buttonText: Localized.text("settings.openSettings", "Open Settings")
        // The location pane, where the desktop has one (not the notifications pane).
        onClicked: section.viewModel.openLocationSettings()
    }
    FormRow {
        id: radiusRow
        objectName: "radiusRow"
        visible: section.viewModel ? section.viewModel.showsRadiusPicker : false
        verticalPadding: 8 + 4

        Column {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            spacing: 8
            Text {
                text: Localized.text("settings.alertRadius", "Alert radius")
                textFormat: Text.PlainText
                font: Theme.subheadline
                color: Theme.label
            }
            FormSegmentedPicker {
                objectName: "radiusPicker"
                // A bare control inside this row: no padding or hairline of its own.
                horizontalPadding: 0
                verticalPadding: 0
                minimumHeight: 22
                title: Localized.text("settings.radius", "Radius")
                model: section.viewModel ? section.viewModel.radiusChoices : []
                currentValue: section.viewModel ? section.viewModel.settings.locationRadiusKm : 0
                onActivated: value => section.viewModel.setLocationRadiusKm(value)
            }
        }
    }
}
