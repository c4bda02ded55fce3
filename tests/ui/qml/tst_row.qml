import QtQuick
import QtTest
import Sismovantaquelorin

TestCase {
    id: testCase
    name: "EarthquakeRowView"
    when: windowShown
    width: 400
    height: 200

    Component { id: rowComponent; EarthquakeRowView {} }

    function texts(item, out) {
        if (item instanceof Text)
            out.push(item)
        for (let i = 0; i < item.children.length; ++i)
            texts(item.children[i], out)
        return out
    }
    function textNamed(item, value) {
        return texts(item, []).find(t => t.text === value)
    }

    function makeRow(values) {
        const row = createTemporaryObject(rowComponent, testCase, Object.assign({
            magnitude: 3.1, location: "NW LANZAROTE",
            date: new Date(Date.UTC(2026, 2, 7, 14, 5)), depth: 12.0, width: 400
        }, values))
        verify(row)
        return row
    }

    function test_markupInLocationIsShownAsWritten() {
        const markup = "<b>SW</b> HIERRO &amp; <i>x</i>"
        const row = makeRow({ location: markup })
        const label = textNamed(row, markup)
        verify(label, "the location is shown verbatim")
        compare(label.textFormat, Text.PlainText)
        compare(label.maximumLineCount, 1)
        // Drawn as plain text, the tags take room: wider than the words alone would be.
        const plain = makeRow({ location: "SW HIERRO & x" })
        verify(label.contentWidth > textNamed(plain, "SW HIERRO & x").contentWidth)
    }

    function test_values() {
        const when = new Date(Date.UTC(2026, 2, 7, 14, 5))
        const row = makeRow({ depth: 0.4, magnitude: 1.96, date: when })
        verify(textNamed(row, "0 km"), "depth rounds to whole kilometres")
        verify(textNamed(row, "2.0"), "badge text")
        // es_ES in Madrid (pinned by the runner): day, two-digit month, two-digit year, 24-hour clock,
        // one hour ahead of UTC in March.
        verify(textNamed(row, "7/03/26, 15:05"), "date in the row format, in the pinned locale and zone")
    }

    function test_emptyLocationKeepsItsLine() {
        const full = makeRow({})
        const empty = makeRow({ location: "" })
        compare(empty.implicitHeight, full.implicitHeight)
    }

    function test_longLocationIsCutToOneLine() {
        const longText = "CANAL TENERIFE - GRAN CANARIA, A 30 KM AL NORTE DE SANTA CRUZ DE TENERIFE"
        const row = makeRow({ location: longText, width: 240 })
        const label = textNamed(row, longText)
        verify(label.truncated)
        compare(label.lineCount, 1)
    }
}
