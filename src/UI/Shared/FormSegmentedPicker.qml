import QtQuick

// A segmented control row: an optional title on the left, equal segments filling the rest.
// `model` is a list of {text, value}; the segment whose value equals `currentValue` shows
// selected, and a value that matches no segment selects none. A click emits
// `activated(value)` and selects nothing by itself. Each segment is a page tab to a screen
// reader, reported selected while it shows selected; its press and toggle actions click it.
FormRow {
    id: root

    property string title
    property var model: []
    property var currentValue
    readonly property int currentIndex: {
        for (let i = 0; i < model.length; ++i)
            if (model[i].value === currentValue)
                return i
        return -1
    }
    readonly property alias segments: segments
    signal activated(var value)

    Text {
        id: label
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        width: root.title.length > 0 ? implicitWidth : 0
        text: root.title
        textFormat: Text.PlainText
        font: Theme.body
        color: Theme.label
        visible: root.title.length > 0
    }

    Rectangle {
        id: track
        anchors.left: label.right
        anchors.leftMargin: root.title.length > 0 ? 12 : 0
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        height: 22
        radius: 6
        color: Theme.dark ? Qt.rgba(1, 1, 1, 0.1) : Qt.rgba(0, 0, 0, 0.06)
        Accessible.role: Accessible.PageTabList
        Accessible.name: root.title

        Row {
            id: segments
            anchors.fill: parent
            anchors.margins: 2
            Repeater {
                model: root.model
                Pressable {
                    id: segment
                    required property var modelData
                    required property int index
                    readonly property bool selected: index === root.currentIndex
                    width: segments.width / Math.max(1, root.model.length)
                    height: segments.height
                    Accessible.role: Accessible.PageTab
                    Accessible.name: modelData.text
                    Accessible.selectable: true
                    Accessible.selected: selected
                    Accessible.checkable: true
                    Accessible.checked: selected
                    Accessible.onToggleAction: click()
                    onClicked: root.activated(modelData.value)

                    // The dividing line between two unselected neighbours.
                    Rectangle {
                        x: -0.5
                        anchors.verticalCenter: parent.verticalCenter
                        width: 1
                        height: parent.height - 8
                        color: Theme.separator
                        visible: segment.index > 0 && !segment.selected
                                 && segment.index - 1 !== root.currentIndex
                    }
                    Rectangle {
                        anchors.fill: parent
                        radius: 5
                        color: segment.selected ? (Theme.dark ? "#656567" : "#ffffff")
                                                : (segment.down ? Theme.pressedFill : "transparent")
                        border.width: segment.activeFocus ? 2 : segment.selected ? 1 : 0
                        border.color: segment.activeFocus ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.5)
                                                          : Qt.rgba(0, 0, 0, Theme.dark ? 0.2 : 0.08)
                    }
                    Text {
                        anchors.fill: parent
                        text: segment.modelData.text
                        textFormat: Text.PlainText
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        elide: Text.ElideRight
                        font: Theme.body
                        color: Theme.label
                    }
                }
            }
        }
    }
}
