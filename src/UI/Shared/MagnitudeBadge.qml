import QtQuick
import Sismovantaquelorin

// A magnitude with one decimal on a capsule in its category's colour. The colour comes from
// the unrounded value, so 1.96 reads "2.0" on the colour of the band below 2.
Rectangle {
    id: root

    required property real magnitude

    readonly property string text: Formats.oneDecimal(magnitude)

    implicitWidth: label.implicitWidth + 20
    implicitHeight: label.implicitHeight + 10
    radius: height / 2
    color: Formats.magnitudeColor(magnitude)

    Text {
        id: label
        anchors.centerIn: parent
        text: root.text
        textFormat: Text.PlainText
        font: Theme.rounded(Theme.callout, Font.Bold)
        color: Qt.rgba(0, 0, 0, 0.75)
    }
}
