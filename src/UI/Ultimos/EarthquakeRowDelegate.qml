import QtQuick
import QtQuick.Templates as T

// One row of an event list (the latest events, the history): the event row with hover and
// press feedback. Fed by the roles both list models share; a click asks to open the event.
T.ItemDelegate {
    id: rowDelegate

    required property int index
    required property real magnitude
    required property string location
    required property date date
    required property var earthquake   // an earthquakeItem

    signal opened(var earthquake)

    width: ListView.view ? ListView.view.width : implicitWidth
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    leftInset: 10
    rightInset: 10
    leftPadding: 20
    rightPadding: 20
    topPadding: 0
    bottomPadding: 0
    hoverEnabled: true
    Accessible.name: rowView.accessibleSentence
    Accessible.onPressAction: clicked()

    contentItem: EarthquakeRowView {
        id: rowView
        magnitude: rowDelegate.magnitude
        location: rowDelegate.location
        date: rowDelegate.date
        depth: rowDelegate.earthquake.depth
    }
    background: Rectangle {
        radius: Theme.controlRadius
        color: rowDelegate.down ? Theme.pressedFill
                                : rowDelegate.hovered ? Theme.hoverFill : "transparent"
    }
    onClicked: opened(earthquake)
}
