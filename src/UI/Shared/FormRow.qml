import QtQuick

// One row of a FormSection: its content padded inside the group, a hairline above every row
// but the first one shown (the section sets `separated`). Put the content in it directly; the
// row is as tall as its tallest visible child (centre children vertically, never fill).
Item {
    id: root

    property bool separated: false
    property real horizontalPadding: 10
    property real verticalPadding: 8
    property real minimumHeight: 36
    default property alias content: body.data
    readonly property alias body: body

    width: parent ? parent.width : implicitWidth
    property real contentHeight: {
        let h = 0
        for (let i = 0; i < body.children.length; ++i)
            if (body.children[i].visible)
                h = Math.max(h, body.children[i].height)
        return h
    }
    implicitHeight: Math.max(minimumHeight, contentHeight + 2 * verticalPadding)

    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: root.horizontalPadding
        anchors.rightMargin: root.horizontalPadding
        height: 1
        color: Theme.separator
        visible: root.separated
    }

    Item {
        id: body
        anchors.fill: parent
        anchors.leftMargin: root.horizontalPadding
        anchors.rightMargin: root.horizontalPadding
        anchors.topMargin: root.verticalPadding
        anchors.bottomMargin: root.verticalPadding
    }
}
