import QtQuick
import QtQuick.Templates as T

// A screen inside a NavigationStack: its own bar (title, subtitle, toolbar items) above its
// content. The back button shows on every page above the first and pops it.
Item {
    id: page

    property string title
    property string subtitle
    property alias toolbar: bar.trailing
    property alias bar: bar
    property color backgroundColor: Theme.background
    default property alias content: body.data

    readonly property bool showsBackButton: T.StackView.index > 0
    readonly property real barLeadingInset: T.StackView.view ? T.StackView.view.barLeadingInset || 0 : 0
    // The page is the one on display: the top of its stack once its transition is over (a page
    // outside any stack counts as on top).
    readonly property bool isOnTop: !T.StackView.view || T.StackView.status === T.StackView.Active

    function goBack() {
        if (T.StackView.view)
            T.StackView.view.pop()
    }

    Rectangle {
        anchors.fill: parent
        color: page.backgroundColor
    }

    NavigationBar {
        id: bar
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        title: page.title
        subtitle: page.subtitle
        showsBackButton: page.showsBackButton
        leadingInset: page.barLeadingInset
        onBack: page.goBack()
    }

    Item {
        id: body
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: bar.bottom
        anchors.bottom: parent.bottom
        clip: true
    }
}
