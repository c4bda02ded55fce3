import QtQuick
import Sismovantaquelorin

// The form controls in one grouped form: toggles, a menu picker, a segmented picker with one
// value that matches no segment, warning rows, footers. `menuOpen` shows the pop-up menu.
Item {
    id: root

    property bool menuOpen: false

    FormGroup {
        anchors.fill: parent
        minimumContentWidth: 300
        maximumContentWidth: 600

        FormSection {
            header: "Alerts"
            footer: "A footer explains the section below its group and wraps when it is longer than one line of the form."
            FormToggleRow { symbol: "bell.fill"; text: "Switched on"; checked: true }
            FormToggleRow { symbol: "location.fill"; text: "Switched off"; checked: false }
            FormToggleRow { symbol: "waveform.path.ecg"; text: "Disabled"; checked: true; enabled: false }
            FormWarningRow {
                symbol: "exclamationmark.triangle.fill"
                tint: Theme.orange
                title: "Notifications disabled"
                detail: "To receive them, enable them in System Settings."
                buttonText: "Open Settings"
            }
        }
        FormSection {
            header: "Pickers"
            FormMenuPicker {
                id: picker
                title: "Minimum threshold"
                model: [
                    { text: "Micro (< 2.0)", value: "micro", color: "#fff7a6" },
                    { text: "Leve (2.0 – 3.9)", value: "low", color: "#ffd900" },
                    { text: "Moderado (4.0 – 5.9)", value: "moderate", color: "#ff9900" }
                ]
                currentValue: "low"
            }
            FormMenuPicker {
                title: "Frecuencia"
                model: [{ text: "Manual", value: "disabled" }, { text: "10 minutes", value: "10min" }]
                currentValue: "10min"
            }
            FormSegmentedPicker {
                title: "Radius"
                model: [{ text: "50 km", value: 50 }, { text: "100 km", value: 100 },
                        { text: "200 km", value: 200 }, { text: "500 km", value: 500 }]
                currentValue: 100
            }
            FormSegmentedPicker {
                model: [{ text: "50 km", value: 50 }, { text: "100 km", value: 100 },
                        { text: "200 km", value: 200 }, { text: "500 km", value: 500 }]
                currentValue: 75
            }
            FormWarningRow {
                symbol: "location.slash.fill"
                tint: Theme.red
                title: "Location permission denied"
                detail: "Enable it in System Settings."
                buttonText: "Open Settings"
            }
        }
    }

    Timer {
        interval: 50
        running: root.menuOpen
        onTriggered: picker.menu.open()
    }
}
