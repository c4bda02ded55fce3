import QtQuick
import QtQuick.Controls

ApplicationWindow {
    id: window
    width: 1100
    height: 720
    visible: true
    title: "sismovantaquelorin"
}
