import QtQuick
import Sismovantaquelorin.Core

// The refresh button's label: a spinner while a refresh runs, the dimmed arrow over a bar that
// fills during the cooldown, else the plain arrow.
Item {
    id: root

    required property EarthquakeRepository repository

    readonly property string form: repository.isLoading ? "loading"
                                   : repository.isCoolingDown ? "cooldown" : "idle"
    // The elapsed share of the 60-second cooldown.
    readonly property real cooldownFraction: 1 - repository.cooldownRemainingSeconds / 60

    implicitWidth: 20
    implicitHeight: 20

    ProgressView {
        anchors.centerIn: parent
        visible: root.form === "loading"
        indicatorSize: 20
        scale: 0.8
    }

    SFSymbol {
        anchors.centerIn: parent
        visible: root.form === "idle"
        name: "arrow.clockwise"
        size: 16
        color: Theme.toolbarSymbol
    }

    Column {
        anchors.centerIn: parent
        visible: root.form === "cooldown"
        spacing: 2

        SFSymbol {
            anchors.horizontalCenter: parent.horizontalCenter
            name: "arrow.clockwise"
            size: 14
            color: Theme.tertiaryLabel
        }
        Item {
            objectName: "cooldownBar"
            width: 20
            height: 3

            Rectangle {
                anchors.fill: parent
                radius: height / 2
                color: Qt.rgba(Theme.secondaryLabel.r, Theme.secondaryLabel.g, Theme.secondaryLabel.b,
                               0.3 * Theme.secondaryLabel.a)
            }
            Rectangle {
                objectName: "cooldownFill"
                height: parent.height
                width: parent.width * root.cooldownFraction
                radius: height / 2
                color: Theme.green
                Behavior on width { NumberAnimation { duration: 900; easing.type: Easing.Linear } }
            }
        }
    }
}
