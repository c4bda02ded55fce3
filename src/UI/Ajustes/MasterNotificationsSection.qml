import QtQuick
import Sismovantaquelorin.Core

// The master alert switch and, while it is on and the system refused notifications, the warning.
FormSection {
    id: section

    property SettingsViewModel viewModel

    header: Localized.text("settings.alerts.header", "Alerts")
    footer: Localized.text("settings.alerts.footer", "Receive alerts when earthquakes are detected in the Canary Islands.")

    FormToggleRow {
        objectName: "notificationsToggle"
        symbol: "bell.fill"
        text: Localized.text("settings.notifications", "Notifications")
        checked: section.viewModel ? section.viewModel.settings.isEnabled : false
        onToggled: wanted => section.viewModel.setNotificationsEnabled(wanted)
    }
    FormWarningRow {
        objectName: "notificationsWarning"
        visible: section.viewModel ? section.viewModel.showsNotificationWarning : false
        symbol: "exclamationmark.triangle.fill"
        tint: Theme.orange
        title: Localized.text("settings.notifications.disabled.title", "Notifications disabled in the system settings")
        detail: Localized.text("settings.notifications.disabled.detail", "To receive them, enable them in System Settings.")
        buttonText: Localized.text("settings.openSettings", "Open Settings")
        onClicked: section.viewModel.openSystemSettings()
    }
}
