import QtQuick
import Sismovantaquelorin.Desktop

// One section of a main window's detail column. Its screen is built when the section is first
// chosen, or before, in the background, once the slot may `prebuild` it. A kept screen then
// stays, hidden, while another section shows, and is asked to start afresh (its startAfresh(),
// where it has one) as it leaves, so that coming back only shows it again, as a new screen
// would look. Any other screen is destroyed when its section is left and built anew on the next
// visit.
Loader {
    id: slot

    required property string section   // the sidebar selection it shows; "" for none
    property bool kept: false
    property bool canBuild: true
    property bool prebuild: false      // a kept screen may be built before its first visit
    property real barLeadingInset: 0   // room the screen's bars keep free at their leading edge

    readonly property bool chosen: NavigationState.sidebarSelection === section

    active: canBuild && (chosen || (kept && prebuild))
    // Built ahead of its visit in small steps between frames; chosen meanwhile, at once.
    asynchronous: !chosen
    visible: chosen

    onLoaded: {
        if (kept)
            active = true  // from now on, whatever is chosen
        if (item.barLeadingInset !== undefined)
            item.barLeadingInset = Qt.binding(() => slot.barLeadingInset)
    }
    onVisibleChanged: {
        if (!visible && kept && item && typeof item.startAfresh === "function")
            item.startAfresh()
    }
}
