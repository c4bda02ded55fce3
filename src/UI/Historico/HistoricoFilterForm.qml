import QtQuick
import QtQuick.Templates as T
import Sismovantaquelorin.Core

// The sections of the history's filter sheet, over one presentation's state.
FormGroup {
    id: root

    property HistoricoViewModel viewModel
    property var keepClear: []   // what the calendars must not cover
    readonly property HistoricoFilterSheetState state: HistoricoFilterSheetState {
        viewModel: root.viewModel
    }
    signal clearRequested()

    // The sheet opens on the filter in force.
    Component.onCompleted: state.syncFromViewModel()

    color: "transparent"
    implicitHeight: flickable.contentHeight
    padding: 20

    FormSection {
        width: parent.width
        header: Localized.text("filter.type", "Tipo de filtro")
        FormSegmentedPicker {
            objectName: "modePicker"
            title: Localized.text("filter.mode", "Modo")
            model: root.state.modeChoices
            currentValue: root.state.mode
            onActivated: value => root.state.mode = value
        }
    }

    // The sections that come and go are made while shown and dropped when hidden.
    Loader {
        width: parent.width
        active: root.state.mode === HistoricoFilterSheetState.YearMonth
        visible: active
        sourceComponent: FormSection {
            header: Localized.text("filter.year", "Año")
            FormMenuPicker {
                objectName: "yearPicker"
                title: Localized.text("filter.year", "Año")
                model: root.state.yearChoices
                currentValue: root.state.selectedYear
                onActivated: value => root.state.selectedYear = value
            }
        }
    }

    Loader {
        width: parent.width
        active: root.state.mode === HistoricoFilterSheetState.YearMonth && root.state.selectedYear !== null
        visible: active
        sourceComponent: FormSection {
            objectName: "monthSection"
            header: Localized.text("filter.month.header", "Mes (opcional)")
            FormMenuPicker {
                objectName: "monthPicker"
                title: Localized.text("filter.month", "Mes")
                model: root.state.monthChoices
                currentValue: root.state.selectedMonth
                onActivated: value => root.state.selectedMonth = value
            }
        }
    }

    Loader {
        width: parent.width
        active: root.state.mode === HistoricoFilterSheetState.CustomRange
        visible: active
        sourceComponent: FormSection {
            header: Localized.text("filter.from", "Desde")
            DateRow {
                objectName: "startRow"
                title: Localized.text("filter.startDate", "Fecha inicio")
                dayKey: root.state.rangeStartKey
                maximumDayKey: root.state.rangeEndKey
                onPicked: key => root.state.setRangeStartKey(key)
            }
        }
    }

    Loader {
        width: parent.width
        active: root.state.mode === HistoricoFilterSheetState.CustomRange
        visible: active
        sourceComponent: FormSection {
            header: Localized.text("filter.to", "Hasta")
            DateRow {
                objectName: "endRow"
                title: Localized.text("filter.endDate", "Fecha fin")
                dayKey: root.state.rangeEndKey
                minimumDayKey: root.state.rangeStartKey
                onPicked: key => root.state.setRangeEndKey(key)
            }
        }
    }

    // Shown for the filter in force, not for the sheet's choice.
    Loader {
        width: parent.width
        active: root.state.showsClear
        visible: active
        sourceComponent: FormSection {
            FormRow {
                objectName: "clearRow"
                implicitHeight: 36
                T.AbstractButton {
                    id: clearButton
                    objectName: "clearButton"
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    implicitHeight: implicitContentHeight
                    text: Localized.text("filter.clear", "Borrar filtro")
                    focusPolicy: Qt.TabFocus
                    Accessible.name: text
                    Accessible.onPressAction: clicked()
                    onClicked: root.clearRequested()
                    contentItem: Text {
                        text: clearButton.text
                        textFormat: Text.PlainText
                        font: Theme.body
                        color: Theme.red
                        opacity: clearButton.down ? 0.6 : 1
                    }
                }
            }
        }
    }

    component DateRow: FormRow {
        id: row
        property string title
        property alias dayKey: picker.dayKey
        property alias minimumDayKey: picker.minimumDayKey
        property alias maximumDayKey: picker.maximumDayKey
        signal picked(int key)
        implicitHeight: 36
        Text {
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            text: row.title
            textFormat: Text.PlainText
            font: Theme.body
            color: Theme.label
        }
        DatePicker {
            id: picker
            objectName: "datePicker"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            title: row.title
            keepClear: root.keepClear
            onPicked: key => row.picked(key)
        }
    }
}
