import QtQuick
import Sismovantaquelorin.Core

// Swarm alerts: the switch and, while it is on, the four rules that trigger one.
FormSection {
    id: section

    property SettingsViewModel viewModel

    header: Localized.text("settings.swarm.header", "Seismic swarms")
    footer: Localized.text("settings.swarm.footer",
                           "A swarm is a series of earthquakes in an area over a short period. Notified at most once every 30 minutes per rule.")

    FormToggleRow {
        objectName: "swarmToggle"
        symbol: "waveform.badge.exclamationmark"
        text: Localized.text("settings.swarm", "Swarm detection")
        checked: section.viewModel ? section.viewModel.settings.swarmNotificationsEnabled : false
        onToggled: wanted => section.viewModel.setSwarmNotificationsEnabled(wanted)
    }
    FormRow {
        objectName: "swarmRules"
        visible: section.viewModel ? section.viewModel.settings.swarmNotificationsEnabled : false
        verticalPadding: 8 + 4
        Accessible.role: Accessible.List
        Accessible.name: trigger.text

        Column {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            spacing: 6
            Text {
                id: trigger
                width: parent.width
                text: Localized.text("settings.swarm.trigger", "Activates if detected:")
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Theme.subheadline
                color: Theme.secondaryLabel
            }
            Repeater {
                model: section.viewModel ? section.viewModel.swarmRuleDescriptions : []
                // A 5-point dot, 6 points before the rule.
                Row {
                    required property string modelData
                    spacing: 6
                    Accessible.role: Accessible.ListItem
                    Accessible.name: modelData
                    SFSymbol {
                        anchors.verticalCenter: parent.verticalCenter
                        name: "circle.fill"
                        size: 5
                        color: Theme.secondaryLabel
                    }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: parent.modelData
                        textFormat: Text.PlainText
                        font: Theme.caption
                        color: Theme.secondaryLabel
                    }
                }
            }
        }
    }
}
