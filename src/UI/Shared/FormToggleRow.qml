import QtQuick

// A labelled switch row: a symbol and a title on the left, the switch on the right. The
// switch always shows `checked` (bind it to the store); a click emits `toggled(wanted)` and
// changes nothing by itself.
FormRow {
    id: root

    property string symbol
    property string text
    property bool checked: false
    readonly property alias control: toggle
    signal toggled(bool wanted)

    SymbolLabel {
        anchors.left: parent.left
        anchors.right: toggle.left
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        symbol: root.symbol
        text: root.text
        symbolSize: 15
        Accessible.ignored: true
    }
    FormSwitch {
        id: toggle
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        checked: root.checked
        enabled: root.enabled
        accessibleName: root.text
        onToggled: wanted => root.toggled(wanted)
    }
}
