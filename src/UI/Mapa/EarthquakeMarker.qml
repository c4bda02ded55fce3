import QtQuick
import Sismovantaquelorin
import Sismovantaquelorin.Core
import Sismovantaquelorin.Map

// The marker of one event: a disc in its category's colour with the magnitude on it, larger
// and ringed in white when selected, with three ripple rings when it is the newest event
// shown. The change of selection springs over 0.2 s without overshoot. A press on the disc as
// drawn, or a screen reader's press, emits `tapped()`; one outside the disc goes on below.
Item {
    id: root

    required property var earthquake          // an earthquakeItem
    property bool isSelected: false
    property bool isLatest: false
    property bool animated: true              // false: no spring, rings at rest (renders)
    signal tapped()

    // 0 at rest, 1 selected; every size follows it, so the spring moves them together
    property real selection: isSelected ? 1 : 0
    Behavior on selection {
        enabled: root.animated
        // a critically damped spring settles within its duration: ease out, no overshoot
        NumberAnimation { duration: 200; easing.type: Easing.OutCubic }
    }

    readonly property real markerSize: MapEarthquakesModel.MarkerDiameter + 8 * selection
    readonly property real fontSize: 9 + 2 * selection
    readonly property real shadowRadius: 1 + 3 * selection
    readonly property string label: Formats.oneDecimal(earthquake.magnitude)
    readonly property color fill: Formats.magnitudeColor(earthquake.magnitude)

    implicitWidth: MapEarthquakesModel.MarkerDiameter
    implicitHeight: MapEarthquakesModel.MarkerDiameter
    scale: 1 + 0.2 * selection

    Accessible.role: Accessible.Button
    Accessible.name: earthquake.location + ", " + label
    Accessible.onPressAction: tapped()

    Repeater {
        objectName: "rings"
        model: root.isLatest ? [0, 0.65, 1.3] : []
        RippleRing {
            required property real modelData
            anchors.centerIn: parent
            delay: modelData
            baseSize: root.markerSize
            running: root.animated
        }
    }

    // The shadow: black at 0.33 blurred over shadowRadius, drawn as fading outlines.
    Repeater {
        model: 3
        Rectangle {
            required property int index
            anchors.centerIn: parent
            width: root.markerSize + 2 * root.shadowRadius * (index + 1) / 3
            height: width
            radius: width / 2
            color: Qt.rgba(0, 0, 0, 0.11)
        }
    }

    Rectangle {
        objectName: "disc"
        anchors.centerIn: parent
        width: root.markerSize
        height: root.markerSize
        radius: width / 2
        color: root.fill
    }

    Rectangle {
        objectName: "selectionRing"
        anchors.centerIn: parent
        width: root.markerSize
        height: root.markerSize
        radius: width / 2
        color: "transparent"
        border.width: 2.5
        border.color: "white"
        visible: root.isSelected
    }

    Text {
        objectName: "label"
        anchors.centerIn: parent
        text: root.label
        textFormat: Text.PlainText
        font.family: Theme.roundedFontFamily
        font.pixelSize: root.fontSize
        font.bold: true
        color: Qt.rgba(0, 0, 0, 0.75)
    }

    // Scaled with the marker, so it covers the disc at every size.
    MouseArea {
        objectName: "hitArea"
        anchors.centerIn: parent
        width: root.markerSize
        height: root.markerSize
        onPressed: mouse => mouse.accepted = Math.hypot(mouse.x - width / 2, mouse.y - height / 2) <= width / 2
        onClicked: root.tapped()
    }
}
