import QtQuick
import QtTest
import Sismovantaquelorin

TestCase {
    id: testCase
    name: "MagnitudeBadge"
    when: windowShown
    width: 300
    height: 200

    Component { id: badgeComponent; MagnitudeBadge {} }

    // Text rounds; the colour comes from the unrounded value (1.96 -> "2.0" on micro).
    function test_textAndColour_data() {
        return [
            { tag: "bound belongs above", magnitude: 4.0, text: "4.0", category: "moderate" },
            { tag: "rounds up, colour below", magnitude: 1.96, text: "2.0", category: "micro" },
            { tag: "just below moderate", magnitude: 3.999, text: "4.0", category: "low" },
            { tag: "two digits", magnitude: 10.2, text: "10.2", category: "major" }
        ]
    }
    function test_textAndColour(data) {
        const badge = createTemporaryObject(badgeComponent, testCase, { magnitude: data.magnitude })
        verify(badge)
        compare(badge.text, data.text)
        compare(Formats.magnitudeCategory(data.magnitude), data.category)
        verify(Qt.colorEqual(badge.color, Formats.magnitudeColor(data.magnitude)))
    }

    function test_categoryColours() {
        // The colours of the bands, not just "whatever the helper says".
        verify(Qt.colorEqual(Formats.magnitudeColor(4.0), Qt.rgba(1.0, 0.6, 0.0, 1)))
        verify(Qt.colorEqual(Formats.magnitudeColor(1.96), Qt.rgba(1.0, 0.97, 0.65, 1)))
        verify(!Qt.colorEqual(Formats.magnitudeColor(1.96), Formats.magnitudeColor(2.0)))
    }

    function test_widthFollowsText() {
        const narrow = createTemporaryObject(badgeComponent, testCase, { magnitude: 4.5 })
        const wide = createTemporaryObject(badgeComponent, testCase, { magnitude: 10.2 })
        verify(wide.implicitWidth > narrow.implicitWidth)
        compare(narrow.radius, narrow.height / 2)
    }
}
