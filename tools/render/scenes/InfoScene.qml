import QtQuick
import Sismovantaquelorin

// The information sheet as the main window shows it, or one card with a long description.
Rectangle {
    id: root

    property bool longDescription: false

    color: Theme.sheetBackground

    InfoView {
        anchors.fill: parent
        visible: !root.longDescription
    }

    Column {
        visible: root.longDescription
        x: 16
        y: 16
        width: parent.width - 32
        spacing: 12
        MercalliCard {
            width: parent.width
            category: ({
                label: "Moderado",
                range: "4.0 – 5.9",
                color: Qt.rgba(1, 0.6, 0, 1),
                description: "Se siente como un movimiento claro de suelos y paredes. Raramente causan daños, pero pueden ser aterradores. Una descripción mucho más larga que las de la tabla, para ver que el texto pasa a la línea siguiente dentro de su tarjeta en lugar de cortarse, incluso cuando ocupa cuatro o cinco líneas de la hoja de información."
            })
        }
        MercalliCard {
            width: parent.width
            category: ({ label: "<b>Leve</b>", range: "2.0 – 3.9", color: Qt.rgba(1, 0.85, 0, 1),
                         description: "Markup and a stray %@ show as written: <i>no italics</i>." })
        }
    }
}
