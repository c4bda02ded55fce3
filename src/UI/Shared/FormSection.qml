import QtQuick

// A section of a grouped form: a header, its rows in one rounded group, and an optional
// footer below. Rows are FormRow items (or any item with a `separated` property); a hidden
// row takes no room and the hairlines follow the rows that show.
Column {
    id: root

    property string header
    property string footer
    default property alias rows: group.data

    width: parent ? parent.width : implicitWidth
    spacing: 6

    function _separate() {
        if (!group)
            return  // being destroyed
        let first = true
        for (let i = 0; i < group.children.length; ++i) {
            const row = group.children[i]
            if ("separated" in row)
                row.separated = row.visible && !first
            if (row.visible)
                first = false
        }
    }

    Text {
        width: parent.width
        leftPadding: 10
        text: root.header
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font: Theme.headline
        color: Theme.label
        visible: root.header.length > 0
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }

    // The rounded background is a sibling of the rows, not their parent: hidden as their parent
    // it would hide the rows too, and a section built while hidden would never show them.
    Item {
        width: parent.width
        height: group.implicitHeight

        Rectangle {
            anchors.fill: parent
            radius: 8
            color: Theme.secondaryGroupedBackground
            border.width: 1
            border.color: Theme.dark ? Qt.rgba(1, 1, 1, 0.06) : Qt.rgba(0, 0, 0, 0.07)
            visible: group.visibleChildren.length > 0
        }

        Column {
            id: group
            width: parent.width
            onChildrenChanged: {
                for (let i = 0; i < children.length; ++i)
                    children[i].visibleChanged.connect(root._separate)
                root._separate()
            }
            onPositioningComplete: root._separate()
        }
    }

    Text {
        width: parent.width
        leftPadding: 10
        rightPadding: 10
        text: root.footer
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font: Theme.subheadline
        color: Theme.secondaryLabel
        visible: root.footer.length > 0
        Accessible.name: text
    }
}
