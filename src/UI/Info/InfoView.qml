import QtQuick
import QtQuick.Controls
import Sismovantaquelorin.Core

// The information sheet: the magnitude categories as cards, safety tips and the data source.
NavigationStack {
    id: root

    implicitWidth: 520
    implicitHeight: 560

    initialItem: NavigationPage {
        title: Localized.text("tab.info", "Información")

        Flickable {
            id: scroller
            objectName: "infoScroller"
            anchors.fill: parent
            contentWidth: width
            contentHeight: content.implicitHeight
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            // Read with the keyboard: the arrows, Page Up and Down, Home and End scroll.
            focus: true
            Component.onCompleted: forceActiveFocus()
            Keys.onPressed: event => {
                const line = 40
                const page = Math.max(line, height - line)
                let to
                switch (event.key) {
                case Qt.Key_Up: to = contentY - line; break
                case Qt.Key_Down: to = contentY + line; break
                case Qt.Key_PageUp: to = contentY - page; break
                case Qt.Key_PageDown: to = contentY + page; break
                case Qt.Key_Home: to = 0; break
                case Qt.Key_End: to = contentHeight; break
                default: return
                }
                contentY = Math.max(0, Math.min(contentHeight - height, to))
                event.accepted = true
            }

            Column {
                id: content
                width: scroller.width
                topPadding: 16
                bottomPadding: 24
                spacing: 24

                Text {
                    objectName: "infoIntro"
                    x: Theme.padding
                    width: parent.width - 2 * Theme.padding
                    text: Localized.text("info.intro", "La escala de Mercalli mide la intensidad de un terremoto según sus efectos sobre las personas, los edificios y el entorno natural. La app también muestra eventos micro (< 2.0) que no alcanzan el umbral de la escala Mercalli y son detectados únicamente por instrumentos sísmicos.")
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font: Theme.body
                    color: Theme.secondaryLabel
                }

                Column {
                    objectName: "infoCards"
                    x: Theme.padding
                    width: parent.width - 2 * Theme.padding
                    spacing: 12
                    Repeater {
                        model: MagnitudeCategories.allCases
                        MercalliCard {
                            required property var modelData
                            width: parent.width
                            category: modelData
                        }
                    }
                }

                SafetyTipsSection {
                    x: Theme.padding
                    width: parent.width - 2 * Theme.padding
                }

                Column {
                    x: Theme.padding
                    width: parent.width - 2 * Theme.padding
                    spacing: 4
                    Divider { width: parent.width }
                    Text {
                        width: parent.width
                        text: Localized.text("info.source", "Datos proporcionados por el Instituto Geográfico Nacional (IGN) de España.")
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font: Theme.caption
                        color: Theme.tertiaryLabel
                    }
                    // Plain text, not a link.
                    Text {
                        objectName: "infoAddress"
                        width: parent.width
                        text: Localized.text(DataSourceInfo.providerAddress, DataSourceInfo.providerAddress)
                        textFormat: Text.PlainText
                        font: Theme.caption
                        color: Theme.tertiaryLabel
                    }
                }
            }
        }
    }
}
