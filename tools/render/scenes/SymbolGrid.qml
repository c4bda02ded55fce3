import QtQuick
import Sismovantaquelorin

// Every mapped symbol with its name, and the fallback of an unknown name.
Rectangle {
    color: Theme.windowBackground

    Flow {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 6

        Repeater {
            model: Symbols.names.concat(["no.such.symbol"])
            Rectangle {
                required property string modelData
                width: 140
                height: 44
                radius: 6
                color: Theme.secondaryGroupedBackground
                Row {
                    anchors.verticalCenter: parent.verticalCenter
                    x: 8
                    spacing: 8
                    SFSymbol {
                        anchors.verticalCenter: parent.verticalCenter
                        name: modelData
                        size: 18
                        color: Symbols.has(modelData) ? Theme.label : Theme.red
                    }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        width: 100
                        text: modelData
                        textFormat: Text.PlainText
                        wrapMode: Text.WrapAnywhere
                        maximumLineCount: 2
                        font: Theme.caption
                        color: Theme.secondaryLabel
                    }
                }
            }
        }
    }
}
