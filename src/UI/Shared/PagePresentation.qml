import QtQuick
import QtQuick.Templates as T

// Shows a popup (a Popover or a Sheet) while `requested` is true, but only while `page` is the
// top page of its stack: a request made while another page is pushed keeps the flag and waits
// until the page is on top again. When the popup closes (a click outside, Escape, or its page
// being covered), dismissed() tells the owner to clear its flag.
QtObject {
    id: presenter

    property bool requested: false
    property NavigationPage page
    property T.Popup popup

    signal dismissed()

    readonly property bool canShow: requested && page !== null && page.isOnTop && page.visible

    // Opens on the next turn, once the page and its toolbar have their final geometry.
    readonly property Timer _opener: Timer {
        interval: 0
        onTriggered: if (presenter.canShow && presenter.popup) presenter.popup.open()
    }
    readonly property Connections _popupClosed: Connections {
        target: presenter.popup
        function onClosed() {
            if (presenter.requested)
                presenter.dismissed()
        }
    }

    onCanShowChanged: {
        if (canShow)
            _opener.restart()
        else if (popup && popup.opened)
            popup.close()
    }
    Component.onCompleted: if (canShow) _opener.restart()
}
