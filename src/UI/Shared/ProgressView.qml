import QtQuick

// An indeterminate spinner, with an optional title below it.
Item {
    id: root

    property string label
    property bool running: visible
    property real indicatorSize: 20
    property color color: Theme.secondaryLabel

    implicitWidth: Math.max(spinner.width, title.visible ? title.implicitWidth : 0)
    implicitHeight: spinner.height + (title.visible ? 8 + title.implicitHeight : 0)

    Item {
        id: spinner
        anchors.horizontalCenter: parent.horizontalCenter
        y: Math.round((root.height - root.implicitHeight) / 2)
        width: root.indicatorSize
        height: root.indicatorSize

        property int phase: 0

        Repeater {
            model: 12
            Rectangle {
                required property int index
                width: Math.max(1.5, spinner.width * 0.09)
                height: spinner.height * 0.28
                radius: width / 2
                x: (spinner.width - width) / 2
                color: root.color
                // The lead spoke is opaque; those behind it fade out.
                opacity: 1 - ((spinner.phase - index + 12) % 12) / 12 * 0.85
                transform: Rotation {
                    origin.x: width / 2
                    origin.y: spinner.height / 2
                    angle: index * 30
                }
            }
        }

        Timer {
            interval: 83
            repeat: true
            running: root.running
            onTriggered: spinner.phase = (spinner.phase + 1) % 12
        }
    }

    Text {
        id: title
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: spinner.bottom
        anchors.topMargin: 8
        visible: root.label.length > 0
        text: root.label
        textFormat: Text.PlainText
        font: Theme.body
        color: Theme.secondaryLabel
    }
}
