import QtQuick

// A capsule track with a capsule fill for a share of 0 to 1. A new share slides the fill's
// end over 0.4 s (ease-out); the first frame and a resize never animate.
Item {
    id: root

    property real fraction          // already 0 when there is nothing to count
    property color fillColor

    property real shownFraction: Math.max(0, Math.min(1, fraction))
    property bool armed: false

    implicitHeight: 12
    Component.onCompleted: armed = true

    Behavior on shownFraction {
        enabled: root.armed
        NumberAnimation {
            duration: 400
            easing.type: Easing.Bezier
            easing.bezierCurve: [0, 0, 0.58, 1, 1, 1]
        }
    }

    Rectangle {
        objectName: "barTrack"
        anchors.fill: parent
        radius: height / 2
        color: Theme.fill
    }
    Rectangle {
        objectName: "barFill"
        width: root.width * root.shownFraction
        height: root.height
        radius: height / 2
        visible: width > 0
        color: root.fillColor
    }
}
