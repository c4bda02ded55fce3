import QtQuick
import QtQuick.Templates as T

// A modal panel centred over the window with the rest dimmed; Escape closes it.
T.Popup {
    id: root

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    modal: true
    dim: true
    focus: true
    padding: 20
    closePolicy: T.Popup.CloseOnEscape

    implicitWidth: Math.min(parent ? parent.width - 80 : 480, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.min(parent ? parent.height - 80 : 400, implicitContentHeight + topPadding + bottomPadding)

    T.Overlay.modal: Rectangle { color: Theme.dimming }

    background: Item {
        Repeater {
            model: 6
            Rectangle {
                required property int index
                anchors.fill: parent
                anchors.margins: -(index + 1)
                anchors.topMargin: -(index + 1) + 3
                anchors.bottomMargin: -(index + 1) - 3
                radius: 12 + index + 1
                color: "transparent"
                border.width: 1
                border.color: Qt.rgba(0, 0, 0, (Theme.dark ? 0.25 : 0.07) * (6 - index) / 6)
            }
        }
        Rectangle {
            anchors.fill: parent
            radius: 12
            color: Theme.sheetBackground
            border.width: 1
            border.color: Theme.dark ? Qt.rgba(1, 1, 1, 0.12) : Qt.rgba(0, 0, 0, 0.1)
        }
    }

    enter: Transition {
        ParallelAnimation {
            NumberAnimation { property: "opacity"; from: 0; to: 1; duration: 160 }
            NumberAnimation { property: "scale"; from: 0.97; to: 1; duration: 160; easing.type: Easing.OutCubic }
        }
    }
    exit: Transition {
        NumberAnimation { property: "opacity"; from: 1; to: 0; duration: 120 }
    }
}
