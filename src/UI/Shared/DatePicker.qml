import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Sismovantaquelorin.Core

// A date-only field: the day in the locale's short form (four-digit year), typed or chosen
// from a drop-down month calendar. Days travel as yyyymmdd numbers, never as JS Dates, whose
// zone conversions can move a day. A day outside [minimumDayKey, maximumDayKey] (0: open) is
// refused: the field shows its day again. The owner decides in onPicked and sets dayKey.
// The calendar stays inside the window and off the items in `keepClear` (a sheet's buttons).
Item {
    id: root

    property int dayKey: 0
    property int minimumDayKey: 0
    property int maximumDayKey: 0
    property string title
    property var keepClear: []
    readonly property alias calendarOpen: calendar.opened

    signal picked(int dayKey)

    function openCalendar() { calendar.open() }
    function keyOf(year, month, day) { return year * 10000 + month * 100 + day }
    function allows(key) {
        return key > 0 && (minimumDayKey === 0 || key >= minimumDayKey)
                       && (maximumDayKey === 0 || key <= maximumDayKey)
    }
    function jsDate(key) {   // local midnight, only to format or parse in QML
        return new Date(Math.floor(key / 10000), Math.floor(key / 100) % 100 - 1, key % 100)
    }
    readonly property string format: {
        const f = Qt.locale().dateFormat(Locale.ShortFormat)
        return f.indexOf("yyyy") >= 0 ? f : f.replace("yy", "yyyy")
    }
    function text(key) { return key > 0 ? jsDate(key).toLocaleDateString(Qt.locale(), format) : "" }
    function choose(key) {
        if (allows(key) && key !== dayKey)
            picked(key)
        field.text = Qt.binding(() => root.text(root.dayKey))
    }
    function commitTyped() {
        const typed = Date.fromLocaleDateString(Qt.locale(), field.text, format)
        const key = isNaN(typed.getTime()) ? 0 : keyOf(typed.getFullYear(), typed.getMonth() + 1, typed.getDate())
        choose(key)
    }

    implicitWidth: 150
    implicitHeight: 24
    Accessible.name: title

    T.TextField {
        id: field
        objectName: "dateField"
        anchors.fill: parent
        leftPadding: 8
        rightPadding: 28
        verticalAlignment: TextInput.AlignVCenter
        font: Theme.body
        color: Theme.label
        selectByMouse: true
        selectionColor: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.35)
        selectedTextColor: Theme.label
        text: root.text(root.dayKey)
        Accessible.name: root.title
        Accessible.role: Accessible.EditableText
        onEditingFinished: root.commitTyped()
        Keys.onReturnPressed: event => {
            root.commitTyped()
            event.accepted = false   // Return also confirms the form around the field
        }
        Keys.onEnterPressed: event => {
            root.commitTyped()
            event.accepted = false
        }
        background: Rectangle {
            radius: 5
            color: Theme.textBackground
            border.width: 1
            border.color: Theme.controlBorder
            Rectangle {
                anchors.fill: parent
                anchors.margins: -3
                radius: parent.radius + 3
                color: "transparent"
                border.width: 3
                border.color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.45)
                visible: field.activeFocus || calendar.opened
            }
        }
    }

    T.AbstractButton {
        id: calendarButton
        objectName: "calendarButton"
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: 26
        focusPolicy: Qt.NoFocus
        Accessible.name: root.title
        Accessible.onPressAction: clicked()
        onClicked: calendar.opened ? calendar.close() : calendar.open()
        contentItem: Item {
            SFSymbol {
                anchors.centerIn: parent
                name: "calendar"
                size: 13
                color: calendarButton.pressed || calendar.opened ? Theme.accent : Theme.secondaryLabel
            }
        }
    }

    AnchoredPopup {
        id: calendar
        objectName: "calendarPopup"
        anchorItem: root
        keepClear: root.keepClear
        padding: 10
        closePolicy: T.Popup.CloseOnEscape | T.Popup.CloseOnPressOutsideParent

        // The month on show: the chosen day's month when it opens.
        property int shownYear: 2000
        property int shownMonth: 0   // 0-11, as MonthGrid counts
        onAboutToShow: {
            const key = root.dayKey > 0 ? root.dayKey : root.maximumDayKey
            const d = key > 0 ? root.jsDate(key) : new Date()
            shownYear = d.getFullYear()
            shownMonth = d.getMonth()
        }
        function step(months) {
            const m = shownYear * 12 + shownMonth + months
            shownYear = Math.floor(m / 12)
            shownMonth = m % 12
        }

        background: Rectangle {
            radius: Theme.panelRadius
            color: Theme.popoverBackground
            border.width: 1
            border.color: Theme.dark ? Qt.rgba(1, 1, 1, 0.12) : Qt.rgba(0, 0, 0, 0.14)
        }

        Column {
            spacing: 6
            Item {
                width: grid.width
                height: 24
                Text {
                    anchors.left: parent.left
                    anchors.leftMargin: 4
                    anchors.verticalCenter: parent.verticalCenter
                    text: {
                        const name = Qt.locale().standaloneMonthName(calendar.shownMonth, Locale.LongFormat)
                        return name.charAt(0).toUpperCase() + name.slice(1) + " " + calendar.shownYear
                    }
                    textFormat: Text.PlainText
                    font: Theme.headline
                    color: Theme.label
                }
                Row {
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    ToolbarButton {
                        objectName: "previousMonth"
                        symbol: "chevron.left"
                        accessibleName: Localized.text("datePicker.previousMonth", "Mes anterior")
                        symbolSize: 11
                        implicitWidth: 24
                        implicitHeight: 24
                        onClicked: calendar.step(-1)
                    }
                    ToolbarButton {
                        objectName: "nextMonth"
                        symbol: "chevron.right"
                        accessibleName: Localized.text("datePicker.nextMonth", "Mes siguiente")
                        symbolSize: 11
                        implicitWidth: 24
                        implicitHeight: 24
                        onClicked: calendar.step(1)
                    }
                }
            }
            DayOfWeekRow {
                width: grid.width
                delegate: Text {
                    required property string shortName
                    text: shortName
                    horizontalAlignment: Text.AlignHCenter
                    font: Theme.caption
                    color: Theme.secondaryLabel
                }
            }
            MonthGrid {
                id: grid
                objectName: "monthGrid"
                width: 7 * 30
                spacing: 0
                year: calendar.shownYear
                month: calendar.shownMonth
                delegate: Item {
                    id: cell
                    required property var model
                    readonly property int key: root.keyOf(model.year, model.month + 1, model.day)
                    readonly property bool inMonth: model.month === grid.month
                    readonly property bool selectable: root.allows(key)
                    readonly property bool chosen: key === root.dayKey
                    implicitWidth: 30
                    implicitHeight: 26
                    opacity: inMonth ? 1 : 0.35
                    Accessible.role: Accessible.Button
                    Accessible.name: root.text(key)
                    Accessible.selected: chosen
                    Accessible.onPressAction: pick()
                    function pick() {
                        if (!selectable)
                            return
                        root.choose(key)
                        calendar.close()
                    }
                    Rectangle {
                        anchors.centerIn: parent
                        width: 24
                        height: 24
                        radius: 12
                        color: cell.chosen ? Theme.accent
                                           : cellArea.containsMouse && cell.selectable ? Theme.hoverFill : "transparent"
                    }
                    Text {
                        anchors.centerIn: parent
                        text: cell.model.day
                        font: cell.model.today ? Theme.weighted(Theme.callout, Font.Bold) : Theme.callout
                        color: cell.chosen ? "white"
                                           : !cell.selectable ? Theme.tertiaryLabel
                                           : cell.model.today ? Theme.accent : Theme.label
                    }
                    MouseArea {
                        id: cellArea
                        anchors.fill: parent
                        hoverEnabled: true
                        enabled: cell.selectable
                        onClicked: cell.pick()
                    }
                }
            }
        }
    }
}
