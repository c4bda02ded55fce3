import QtQuick
import QtQuick.Templates as T

// A stack of NavigationPages: push(component or item, properties) opens a detail screen,
// pop() or the back button returns. Alt+Left (the platform's Back) pops too.
T.StackView {
    id: root

    readonly property int duration: 180
    // Room kept free at the leading edge of every page's bar (the main window puts its sidebar
    // toggle there while the sidebar is hidden).
    property real barLeadingInset: 0

    pushEnter: Transition {
        ParallelAnimation {
            NumberAnimation { property: "opacity"; from: 0; to: 1; duration: root.duration; easing.type: Easing.OutCubic }
            NumberAnimation { property: "x"; from: 28; to: 0; duration: root.duration; easing.type: Easing.OutCubic }
        }
    }
    pushExit: Transition {
        NumberAnimation { property: "opacity"; from: 1; to: 0; duration: root.duration; easing.type: Easing.OutCubic }
    }
    popEnter: Transition {
        NumberAnimation { property: "opacity"; from: 0; to: 1; duration: root.duration; easing.type: Easing.OutCubic }
    }
    popExit: Transition {
        ParallelAnimation {
            NumberAnimation { property: "opacity"; from: 1; to: 0; duration: root.duration; easing.type: Easing.OutCubic }
            NumberAnimation { property: "x"; from: 0; to: 28; duration: root.duration; easing.type: Easing.OutCubic }
        }
    }
    replaceEnter: Transition {
        NumberAnimation { property: "opacity"; from: 0; to: 1; duration: root.duration }
    }
    replaceExit: Transition {
        NumberAnimation { property: "opacity"; from: 1; to: 0; duration: root.duration }
    }

    Shortcut {
        sequences: [StandardKey.Back]
        enabled: root.depth > 1
        onActivated: root.pop()
    }
}
