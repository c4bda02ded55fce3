import QtQuick
import Sismovantaquelorin

// A toolbar with an open popover, and beside it the look of a sheet.
Rectangle {
    id: root
    color: Theme.background

    NavigationBar {
        id: bar
        anchors.left: parent.left
        anchors.right: parent.right
        title: "Sismos"
        subtitle: "Updated 3 minutes ago"
        trailing: [
            ToolbarButton { symbol: "arrow.clockwise" },
            ToolbarButton { id: filterButton; symbol: "line.3.horizontal.decrease.circle.fill" }
        ]
    }

    Popover {
        id: popover
        anchorItem: filterButton
        Column {
            width: 220
            bottomPadding: 4
            Text {
                leftPadding: 12; topPadding: 10; bottomPadding: 6
                text: "Magnitude"; textFormat: Text.PlainText
                font: Theme.headline; color: Theme.label
            }
            Divider { width: parent.width }
            Repeater {
                model: ["All", "Micro", "Minor", "Moderate"]
                Item {
                    required property string modelData
                    required property int index
                    width: 220; height: 28
                    Text {
                        x: 12; anchors.verticalCenter: parent.verticalCenter
                        text: modelData; textFormat: Text.PlainText
                        font: Theme.body; color: Theme.label
                    }
                    SFSymbol {
                        visible: index === 2
                        anchors.right: parent.right; anchors.rightMargin: 12
                        anchors.verticalCenter: parent.verticalCenter
                        name: "checkmark"; size: 12; color: Theme.accent
                    }
                }
            }
            Divider { width: parent.width }
            Text {
                leftPadding: 12; topPadding: 8; bottomPadding: 6
                text: "Reset Filters"; textFormat: Text.PlainText
                font: Theme.body; color: Theme.red
            }
        }
    }

    Sheet {
        id: sheet
        width: 320
        Column {
            width: 280
            spacing: 10
            Text { text: "Filtrar"; textFormat: Text.PlainText; font: Theme.headline; color: Theme.label }
            SearchField { width: parent.width; placeholderText: "Buscar por localización" }
            Text {
                width: parent.width
                wrapMode: Text.Wrap
                text: "A modal panel centred over the window, the rest dimmed. Escape closes it."
                textFormat: Text.PlainText
                font: Theme.callout
                color: Theme.secondaryLabel
            }
        }
    }

    Component.onCompleted: Qt.callLater(openBoth)
    function openBoth() {
        popover.open()
        sheet.open()
    }
}
