pragma Singleton
import QtQuick
import Sismovantaquelorin.Core

// The look of the app: desktop text styles, label and surface colours, system colours, for a
// light and a dark appearance. `dark` follows the desktop's colour-scheme preference, or the
// system palette when the desktop states none, until something assigns it (renders and tests pin it).
QtObject {
    id: theme

    property bool dark: DesktopAppearance.colorScheme === DesktopAppearance.NoPreference
                        ? _system.window.hslLightness < 0.5
                        : DesktopAppearance.colorScheme === DesktopAppearance.Dark

    readonly property SystemPalette _system: SystemPalette { colorGroup: SystemPalette.Active }

    // Text styles (logical pixels, the desktop sizes).
    readonly property string fontFamily: Qt.application.font.family
    // A rounded face when one is installed; otherwise the default sans.
    readonly property string roundedFontFamily: {
        const wanted = ["SF Pro Rounded", "Nunito", "M PLUS Rounded 1c", "Varela Round", "Comfortaa"]
        const installed = Qt.fontFamilies()
        for (let i = 0; i < wanted.length; ++i)
            if (installed.indexOf(wanted[i]) >= 0)
                return wanted[i]
        return fontFamily
    }

    readonly property font largeTitle: Qt.font({ family: fontFamily, pixelSize: 26 })
    readonly property font title: Qt.font({ family: fontFamily, pixelSize: 22 })
    readonly property font title2: Qt.font({ family: fontFamily, pixelSize: 17 })
    readonly property font title3: Qt.font({ family: fontFamily, pixelSize: 15 })
    readonly property font headline: Qt.font({ family: fontFamily, pixelSize: 13, weight: Font.Bold })
    readonly property font body: Qt.font({ family: fontFamily, pixelSize: 13 })
    readonly property font callout: Qt.font({ family: fontFamily, pixelSize: 12 })
    readonly property font subheadline: Qt.font({ family: fontFamily, pixelSize: 11 })
    readonly property font footnote: Qt.font({ family: fontFamily, pixelSize: 10 })
    readonly property font caption: Qt.font({ family: fontFamily, pixelSize: 10 })
    readonly property font caption2: Qt.font({ family: fontFamily, pixelSize: 10 })

    // A copy of a text style with another weight (Font.Medium, Font.DemiBold, Font.Bold...).
    function weighted(base, weight) {
        return Qt.font({ family: base.family, pixelSize: base.pixelSize, weight: weight })
    }
    // A copy of a text style in the rounded face.
    function rounded(base, weight) {
        return Qt.font({ family: roundedFontFamily, pixelSize: base.pixelSize,
                         weight: weight === undefined ? base.weight : weight })
    }

    // Labels.
    readonly property color label: dark ? Qt.rgba(1, 1, 1, 0.85) : Qt.rgba(0, 0, 0, 0.85)
    readonly property color secondaryLabel: dark ? Qt.rgba(1, 1, 1, 0.55) : Qt.rgba(0, 0, 0, 0.5)
    readonly property color tertiaryLabel: dark ? Qt.rgba(1, 1, 1, 0.25) : Qt.rgba(0, 0, 0, 0.26)
    readonly property color quaternaryLabel: dark ? Qt.rgba(1, 1, 1, 0.1) : Qt.rgba(0, 0, 0, 0.1)
    readonly property color placeholder: tertiaryLabel
    readonly property color toolbarSymbol: dark ? Qt.rgba(1, 1, 1, 0.72) : Qt.rgba(0, 0, 0, 0.62)

    // Lines and fills.
    readonly property color separator: dark ? Qt.rgba(1, 1, 1, 0.1) : Qt.rgba(0, 0, 0, 0.1)
    readonly property color fill: dark ? Qt.rgba(1, 1, 1, 0.1) : Qt.rgba(0, 0, 0, 0.1)
    readonly property color secondaryFill: dark ? Qt.rgba(1, 1, 1, 0.08) : Qt.rgba(0, 0, 0, 0.06)
    readonly property color hoverFill: dark ? Qt.rgba(1, 1, 1, 0.08) : Qt.rgba(0, 0, 0, 0.05)
    readonly property color pressedFill: dark ? Qt.rgba(1, 1, 1, 0.16) : Qt.rgba(0, 0, 0, 0.1)
    readonly property color shadow: dark ? Qt.rgba(0, 0, 0, 0.5) : Qt.rgba(0, 0, 0, 0.16)

    // Surfaces.
    readonly property color windowBackground: dark ? "#2b2b2d" : "#ececec"
    readonly property color background: dark ? "#1e1e1e" : "#ffffff"          // content, lists
    readonly property color sidebar: dark ? "#262628" : "#e5e5e7"
    readonly property color control: dark ? "#58585a" : "#ffffff"             // button bezels
    readonly property color controlBorder: dark ? Qt.rgba(1, 1, 1, 0.06) : Qt.rgba(0, 0, 0, 0.12)
    readonly property color textBackground: dark ? Qt.rgba(1, 1, 1, 0.06) : "#ffffff"  // fields
    readonly property color groupedBackground: dark ? "#1e1e1e" : "#f2f2f4"    // behind groups
    readonly property color secondaryGroupedBackground: dark ? "#2c2c2e" : "#ffffff"  // the groups
    readonly property color popoverBackground: dark ? "#2e2e30" : "#f6f6f6"
    readonly property color sheetBackground: dark ? "#2b2b2d" : "#ececec"
    readonly property color dimming: Qt.rgba(0, 0, 0, dark ? 0.4 : 0.2)
    readonly property color selection: accent
    readonly property color unemphasizedSelection: dark ? "#464646" : "#dcdcdc"

    // System colours.
    readonly property color accent: blue
    readonly property color red: dark ? "#ff453a" : "#ff3b30"
    readonly property color orange: dark ? "#ff9f0a" : "#ff9500"
    readonly property color yellow: dark ? "#ffd60a" : "#ffcc00"
    readonly property color green: dark ? "#32d74b" : "#28cd41"
    readonly property color blue: dark ? "#0a84ff" : "#007aff"
    readonly property color gray: dark ? "#98989d" : "#8e8e93"

    // Metrics.
    readonly property int toolbarHeight: 52
    readonly property int controlRadius: 6
    readonly property int panelRadius: 10
    readonly property int spacing: 8
    readonly property int padding: 16    // the default padding of a screen's edges
}
