import QtQuick
import Sismovantaquelorin.Core

// The four safety tips under their heading, each with an orange symbol.
Column {
    id: section

    // Looked up at each read, as the texts may change with the table.
    readonly property var tips: [
        { icon: "figure.walk", title: Localized.text("info.tip1.title", "Mantén la calma"),
          detail: Localized.text("info.tip1.detail", "Aleja el pánico y actúa con serenidad.") },
        { icon: "house.fill", title: Localized.text("info.tip2.title", "Alejate de ventanas"),
          detail: Localized.text("info.tip2.detail", "Protégete bajo una mesa resistente o en el umbral de una puerta.") },
        { icon: "mappin.and.ellipse", title: Localized.text("info.tip3.title", "Punto de encuentro"),
          detail: Localized.text("info.tip3.detail", "Acude a un lugar abierto, alejado de edificios y cables eléctricos.") },
        { icon: "ant.fill", title: Localized.text("info.tip4.title", "Tras el sismo"),
          detail: Localized.text("info.tip4.detail", "Espera réplicas y evita entrar en edificios dañados.") }
    ]

    spacing: 12

    Text {
        width: parent.width
        text: Localized.text("info.safety.title", "Consejos de seguridad")
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font: Theme.weighted(Theme.title2, Font.Bold)
        color: Theme.label
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }
    Repeater {
        objectName: "safetyTips"
        model: section.tips
        Item {
            id: tip
            required property var modelData
            width: section.width
            implicitHeight: Math.max(icon.height, tipTexts.implicitHeight)
            Accessible.role: Accessible.StaticText
            Accessible.name: modelData.title + ". " + modelData.detail

            // 28 wide, the symbol centred in it.
            Item {
                id: icon
                width: 28
                height: symbol.height
                SFSymbol {
                    id: symbol
                    anchors.horizontalCenter: parent.horizontalCenter
                    name: tip.modelData.icon
                    size: Theme.title3.pixelSize + 2
                    color: Theme.orange
                }
            }
            Column {
                id: tipTexts
                anchors.left: icon.right
                anchors.leftMargin: 12
                anchors.right: parent.right
                spacing: 2
                Text {
                    width: parent.width
                    text: tip.modelData.title
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font: Theme.weighted(Theme.subheadline, Font.DemiBold)
                    color: Theme.label
                }
                Text {
                    width: parent.width
                    text: tip.modelData.detail
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font: Theme.caption
                    color: Theme.secondaryLabel
                }
            }
        }
    }
}
