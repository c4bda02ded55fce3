import QtQuick
import QtQuick.Templates as T
import Sismovantaquelorin.Core

// The history list's last row while more pages exist: "Cargar más", or a spinner while a page
// loads (the row is disabled then).
Item {
    id: root

    property bool shown: false
    property bool loading: false
    signal triggered()

    implicitHeight: shown ? 44 : 0
    visible: shown

    T.AbstractButton {
        id: button
        objectName: "loadMoreButton"
        anchors.fill: parent
        anchors.leftMargin: 10
        anchors.rightMargin: 10
        anchors.topMargin: 6
        enabled: !root.loading
        hoverEnabled: true
        focusPolicy: Qt.TabFocus
        Accessible.name: Localized.text("historico.loadMore", "Cargar más")
        Accessible.onPressAction: if (enabled) clicked()
        onClicked: root.triggered()

        background: Rectangle {
            radius: Theme.controlRadius
            color: button.down ? Theme.pressedFill : button.hovered && button.enabled ? Theme.hoverFill : "transparent"
        }
        contentItem: Item {
            Text {
                objectName: "loadMoreLabel"
                anchors.centerIn: parent
                visible: !root.loading
                text: Localized.text("historico.loadMore", "Cargar más")
                textFormat: Text.PlainText
                font: Theme.body
                color: Theme.accent
            }
            ProgressView {
                objectName: "loadMoreProgress"
                anchors.centerIn: parent
                visible: root.loading
                indicatorSize: 16
            }
        }
    }
}
