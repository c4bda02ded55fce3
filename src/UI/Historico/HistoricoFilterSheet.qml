import QtQuick
import QtQuick.Templates as T
import Sismovantaquelorin.Core

// The history's date-filter sheet: no filter, a year (optionally one month of it), or a range
// of days. Each opening starts afresh from the filter in force; only "Aplicar" and "Borrar
// filtro" touch the view model, and both close the sheet once the list has reloaded. Return
// applies, Escape cancels.
Sheet {
    id: sheet

    property HistoricoViewModel viewModel
    // The open presentation's choices (null while closed).
    readonly property HistoricoFilterSheetState state: form.item ? form.item.state : null

    function applyAndClose() {
        if (state)
            state.apply()
        close()
    }
    function clearAndClose() {
        if (state)
            state.clear()
        close()
    }

    padding: 0
    width: 540

    contentItem: FocusScope {
        implicitWidth: 540
        implicitHeight: column.implicitHeight
        focus: true
        Keys.onReturnPressed: sheet.applyAndClose()
        Keys.onEnterPressed: sheet.applyAndClose()

        Column {
            id: column
            width: parent.width

            Text {
                width: parent.width
                topPadding: 16
                bottomPadding: 4
                horizontalAlignment: Text.AlignHCenter
                text: Localized.text("filter.title", "Filtrar histórico")
                textFormat: Text.PlainText
                font: Theme.headline
                color: Theme.label
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }

            // Made for each opening and dropped on closing, so no choice outlives its sheet.
            Loader {
                id: form
                width: parent.width
                active: sheet.visible
                sourceComponent: HistoricoFilterForm {
                    viewModel: sheet.viewModel
                    onClearRequested: sheet.clearAndClose()
                }
            }

            Row {
                anchors.right: parent.right
                anchors.rightMargin: 20
                topPadding: 4
                bottomPadding: 18
                spacing: 10
                SheetButton {
                    objectName: "cancelButton"
                    text: Localized.text("filter.cancel", "Cancelar")
                    onClicked: sheet.close()
                }
                SheetButton {
                    objectName: "applyButton"
                    text: Localized.text("filter.apply", "Aplicar")
                    isDefault: true
                    onClicked: sheet.applyAndClose()
                }
            }
        }
    }
}
