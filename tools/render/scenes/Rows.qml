import QtQuick
import Sismovantaquelorin

// Event rows as a list shows them: section headers, rows, separators.
Rectangle {
    color: Theme.background

    readonly property var events: [
        { magnitude: 4.0, location: "NW LANZAROTE", date: new Date(Date.UTC(2026, 2, 7, 14, 5)), depth: 12.0 },
        { magnitude: 1.96, location: "ATLÁNTICO-CANARIAS", date: new Date(Date.UTC(2026, 2, 7, 9, 41)), depth: 0.4 },
        { magnitude: 2.5, location: "<b>SW</b> HIERRO &amp; <i>markup</i>", date: new Date(Date.UTC(2026, 2, 7, 3, 12)), depth: 17.6 },
        { magnitude: 6.3, location: "CANAL TENERIFE - GRAN CANARIA, A 30 KM AL NORTE DE SANTA CRUZ DE TENERIFE", date: new Date(Date.UTC(2026, 2, 6, 22, 58)), depth: 31 },
        { magnitude: 10.2, location: "", date: new Date(Date.UTC(2026, 2, 5, 11, 0)), depth: 5 },
        { magnitude: 7.1, location: "E GRAN CANARIA", date: new Date(Date.UTC(2026, 2, 4, 0, 30)), depth: 9.5 },
        { magnitude: 0.8, location: "LA PALMA", date: new Date(Date.UTC(2026, 1, 28, 17, 45)), depth: 2 }
    ]

    Column {
        anchors.fill: parent
        anchors.margins: 12

        SectionHeader { width: parent.width; text: "Last 24h – 7 mar 2026" }

        Repeater {
            model: events.length
            Column {
                required property int index
                width: parent.width
                Item {
                    width: parent.width
                    height: rowView.implicitHeight + 8
                    EarthquakeRowView {
                        id: rowView
                        anchors.left: parent.left
                        anchors.right: parent.right
                        anchors.leftMargin: 8
                        anchors.rightMargin: 8
                        anchors.verticalCenter: parent.verticalCenter
                        magnitude: events[index].magnitude
                        location: events[index].location
                        date: events[index].date
                        depth: events[index].depth
                    }
                }
                Divider {
                    width: parent.width - 16
                    x: 8
                    visible: index < events.length - 1
                }
            }
        }
    }
}
