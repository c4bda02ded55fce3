import QtQuick

// A hairline between rows or groups; give it a width (or a height when vertical).
Rectangle {
    property int orientation: Qt.Horizontal

    implicitWidth: orientation === Qt.Horizontal ? 0 : 1
    implicitHeight: orientation === Qt.Horizontal ? 1 : 0
    color: Theme.separator
}
