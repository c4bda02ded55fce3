import QtQuick
import QtQuick.Templates as T
import Sismovantaquelorin.Core

// The filter popover's content: the magnitude choices, the date choices and the reset button.
// A choice never closes the popover. Any view model with the two filters serves (the list's,
// the map's): selectedFilter, selectedDateFilter, magnitudeChoices, dateChoices, resetFilters().
Column {
    id: root

    required property var viewModel

    readonly property int defaultPadding: 12

    width: 220
    spacing: 0
    bottomPadding: 4

    component Header: Text {
        width: root.width
        leftPadding: root.defaultPadding
        rightPadding: root.defaultPadding
        topPadding: root.defaultPadding
        bottomPadding: 6
        textFormat: Text.PlainText
        font: Theme.headline
        color: Theme.label
    }

    // A choice, marked when current; a plain pressable item, so that a screen reader is told
    // which one is checked.
    component ChoiceRow: Pressable {
        id: row
        required property string choiceId
        required property string label
        property bool current: false

        Accessible.name: label
        Accessible.checkable: true
        Accessible.checked: current

        width: root.width
        implicitHeight: Math.max(text.implicitHeight, check.height) + 12

        Rectangle {
            anchors.fill: parent
            color: row.down ? Theme.pressedFill : (row.hovered || row.activeFocus ? Theme.hoverFill : "transparent")
        }
        Text {
            id: text
            x: root.defaultPadding
            anchors.verticalCenter: parent.verticalCenter
            text: row.label
            textFormat: Text.PlainText
            font: Theme.body
            color: Theme.label
        }
        SFSymbol {
            id: check
            anchors.right: parent.right
            anchors.rightMargin: root.defaultPadding
            anchors.verticalCenter: parent.verticalCenter
            name: "checkmark"
            size: 12
            color: Theme.accent
            visible: row.current
        }
    }

    Header { text: Localized.text("filter.magnitude.header", "Magnitude") }
    Divider { width: root.width }
    Repeater {
        model: root.viewModel.magnitudeChoices
        ChoiceRow {
            required property var modelData
            objectName: "magnitude-" + choiceId
            choiceId: modelData.id
            label: modelData.label
            current: root.viewModel.selectedFilter === choiceId
            onClicked: root.viewModel.selectedFilter = choiceId
        }
    }
    Divider { width: root.width }
    Header { text: Localized.text("filter.date.header", "Date") }
    Divider { width: root.width }
    Repeater {
        model: root.viewModel.dateChoices
        ChoiceRow {
            required property var modelData
            objectName: "date-" + choiceId
            choiceId: modelData.id
            label: modelData.label
            current: root.viewModel.selectedDateFilter === choiceId
            onClicked: root.viewModel.selectedDateFilter = choiceId
        }
    }
    Item { width: 1; height: 4 }
    Divider { width: root.width }
    T.AbstractButton {
        id: reset
        objectName: "resetFilters"
        text: Localized.text("filter.reset", "Reset Filters")
        Accessible.name: text
        Accessible.onPressAction: clicked()
        implicitWidth: implicitContentWidth + leftPadding + rightPadding
        implicitHeight: implicitContentHeight + topPadding + bottomPadding
        padding: root.defaultPadding
        topPadding: 8
        bottomPadding: 8
        hoverEnabled: true
        contentItem: Text {
            text: reset.text
            textFormat: Text.PlainText
            font: Theme.body
            color: Theme.red
            opacity: reset.down ? 0.6 : 1
        }
        onClicked: root.viewModel.resetFilters()
    }
}
