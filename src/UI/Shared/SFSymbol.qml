import QtQuick
import Sismovantaquelorin

// An SF Symbol by name, drawn from the bundled icon set in one colour.
Item {
    id: root

    property string name
    property color color: Theme.label
    property real size: 14

    implicitWidth: size
    implicitHeight: size

    Image {
        anchors.fill: parent
        sourceSize: Qt.size(Math.ceil(root.size), Math.ceil(root.size))
        source: root.name.length > 0 ? Symbols.source(root.name, root.color) : ""
        fillMode: Image.PreserveAspectFit
        smooth: true
        cache: true
    }
}
