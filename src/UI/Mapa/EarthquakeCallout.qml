import QtQuick
import Sismovantaquelorin
import QtQuick.Templates as T
import Sismovantaquelorin.Core

// The card of the selected event at the bottom of the map: badge, place, UTC date and time, a
// close button, depth, magnitude and magnitude type, and a button to the event's detail. It
// keeps no state: its two buttons only report, the map decides. The card takes every click,
// drag and wheel turn that lands on it, so none reaches the map beneath.
Item {
    id: root

    required property var earthquake         // an earthquakeItem
    property bool interactive: true          // false: the buttons do nothing (the card leaving)

    signal viewDetail()
    signal dismiss()

    readonly property int outerPadding: Theme.padding
    readonly property int innerPadding: Theme.padding
    readonly property color categoryColor: Formats.magnitudeColor(earthquake.magnitude)

    implicitWidth: card.implicitWidth + 2 * outerPadding
    implicitHeight: card.height + 2 * outerPadding

    // The shadow: black at 0.33 blurred over 8 points, drawn as fading rounded outlines.
    Repeater {
        model: 8
        Rectangle {
            required property int index
            x: card.x - index - 1
            y: card.y - index - 1
            width: card.width + 2 * (index + 1)
            height: card.height + 2 * (index + 1)
            radius: 16 + index + 1
            color: "transparent"
            border.width: 1
            border.color: Qt.rgba(0, 0, 0, 0.33 * 0.18 * (8 - index) / 8)
        }
    }

    Rectangle {
        id: card
        objectName: "calloutCard"
        x: root.outerPadding
        y: root.outerPadding
        width: root.width - 2 * root.outerPadding
        height: content.implicitHeight + 2 * root.innerPadding
        radius: 16
        // the regular material: the surface of a popover, barely translucent over the map (with
        // no blur behind it, markers showing through would muddle the figures)
        color: Qt.rgba(Theme.popoverBackground.r, Theme.popoverBackground.g, Theme.popoverBackground.b, 0.985)
        border.width: 1
        border.color: Theme.dark ? Qt.rgba(1, 1, 1, 0.1) : Qt.rgba(0, 0, 0, 0.06)

        MouseArea {
            objectName: "cardInput"
            anchors.fill: parent
            preventStealing: true
            onWheel: wheel => wheel.accepted = true
        }

        Column {
            id: content
            x: root.innerPadding
            y: root.innerPadding
            width: card.width - 2 * root.innerPadding
            spacing: 12

            Item {
                width: parent.width
                height: Math.max(badge.height, texts.implicitHeight, close.height)

                MagnitudeBadge {
                    id: badge
                    anchors.verticalCenter: parent.verticalCenter
                    magnitude: root.earthquake.magnitude
                }
                Column {
                    id: texts
                    anchors.left: badge.right
                    anchors.leftMargin: 8
                    anchors.right: close.left
                    anchors.rightMargin: 8
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 2
                    Text {
                        objectName: "place"
                        width: parent.width
                        text: root.earthquake.location
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        maximumLineCount: 2
                        elide: Text.ElideRight
                        font: Theme.headline
                        color: Theme.label
                    }
                    Text {
                        objectName: "date"
                        width: parent.width
                        text: Formats.calloutDate(root.earthquake.date)
                        textFormat: Text.PlainText
                        elide: Text.ElideRight
                        font: Theme.caption
                        color: Theme.secondaryLabel
                    }
                }
                T.AbstractButton {
                    id: close
                    objectName: "closeButton"
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    implicitWidth: Theme.title3.pixelSize + 6
                    implicitHeight: implicitWidth
                    hoverEnabled: true
                    enabled: root.interactive
                    Accessible.name: Localized.text("callout.close", "Cerrar")
                    Accessible.onPressAction: if (enabled) clicked()
                    contentItem: SFSymbol {
                        name: "xmark.circle.fill"
                        size: Theme.title3.pixelSize + 4
                        color: close.hovered ? Theme.label : Theme.secondaryLabel
                    }
                    onClicked: root.dismiss()
                }
            }

            Divider { width: parent.width }

            Row {
                id: figures
                width: parent.width
                spacing: 20
                readonly property real share: (width - 2 * spacing) / 3
                StatItem {
                    objectName: "depthItem"
                    width: figures.share
                    icon: "arrow.down.circle"
                    value: Formats.kilometres(root.earthquake.depth)
                    label: Localized.text("callout.depth", "Depth")
                }
                StatItem {
                    objectName: "magnitudeItem"
                    width: figures.share
                    icon: "plusminus"
                    value: Formats.oneDecimal(root.earthquake.magnitude)
                    label: Localized.text("callout.magnitude", "Magnitude")
                }
                StatItem {
                    objectName: "typeItem"
                    width: figures.share
                    icon: "waveform"
                    value: root.earthquake.magnitudeType
                    label: Localized.text("callout.type", "Type")
                }
            }

            T.AbstractButton {
                id: detail
                objectName: "detailButton"
                width: parent.width
                implicitHeight: detailLabel.implicitHeight + 14
                hoverEnabled: true
                enabled: root.interactive
                Accessible.name: detailText.text
                Accessible.onPressAction: if (enabled) clicked()
                background: Rectangle {
                    radius: 8
                    color: detail.down ? Qt.darker(root.categoryColor, 1.15)
                                       : detail.hovered ? Qt.darker(root.categoryColor, 1.06) : root.categoryColor
                }
                contentItem: Item {
                    Row {
                        id: detailLabel
                        anchors.centerIn: parent
                        spacing: 6
                        Text {
                            id: detailText
                            anchors.verticalCenter: parent.verticalCenter
                            text: Localized.text("callout.viewDetail", "Ver detalle")
                            textFormat: Text.PlainText
                            font: Theme.weighted(Theme.subheadline, Font.DemiBold)
                            color: Qt.rgba(0, 0, 0, 0.75)
                        }
                        SFSymbol {
                            anchors.verticalCenter: parent.verticalCenter
                            name: "arrow.right.circle.fill"
                            size: Theme.subheadline.pixelSize + 2
                            color: Qt.rgba(0, 0, 0, 0.75)
                        }
                    }
                }
                onClicked: root.viewDetail()
            }
        }
    }
}
