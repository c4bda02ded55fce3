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

    // The title and the buttons stay; the form between them scrolls when the window is short.
    contentItem: FocusScope {
        implicitWidth: 540
        implicitHeight: title.implicitHeight + (form.item ? form.item.implicitHeight : 0) + buttons.implicitHeight
        focus: true
        Keys.onReturnPressed: sheet.applyAndClose()
        Keys.onEnterPressed: sheet.applyAndClose()

        Text {
            id: title
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
            anchors.top: title.bottom
            anchors.bottom: buttons.top
            width: parent.width
            active: sheet.visible
            sourceComponent: HistoricoFilterForm {
                viewModel: sheet.viewModel
                keepClear: [buttons]
                onClearRequested: sheet.clearAndClose()
            }
        }

        Row {
            id: buttons
            anchors.right: parent.right
            anchors.rightMargin: 20
            anchors.bottom: parent.bottom
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
