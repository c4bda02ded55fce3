import QtQuick
import QtTest
import Sismovantaquelorin

TestCase {
    id: testCase
    name: "StatsRows"
    when: windowShown
    visible: true   // so that the rows' own visibility shows
    width: 500
    height: 400

    Component { id: cardComponent; ActivityCountCard { width: 200 } }
    Component { id: peakComponent; PeakEventRow { width: 400 } }
    Component { id: magnitudeComponent; MagnitudeBarRow { width: 400 } }
    Component { id: depthComponent; DepthBandRow { width: 400; label: "Superficial"; detail: "< 30 km"; color: "blue" } }
    Component { id: clusterComponent; ClusterRow { width: 400 } }

    function child(item, name) {
        if (item.objectName === name)
            return item
        for (let i = 0; i < item.children.length; ++i) {
            const found = child(item.children[i], name)
            if (found)
                return found
        }
        return null
    }
    function children(item, name, out) {
        if (item.objectName === name)
            out.push(item)
        for (let i = 0; i < item.children.length; ++i)
            children(item.children[i], name, out)
        return out
    }
    function magnitudeStat(count, fraction) {
        return { count: count, fraction: fraction, color: "orange", label: "Moderado", range: "4.0 – 5.9" }
    }
    function barRow(kind, count, fraction) {
        return kind === "magnitude"
            ? createTemporaryObject(magnitudeComponent, testCase, { stat: magnitudeStat(count, fraction) })
            : createTemporaryObject(depthComponent, testCase, { count: count, fraction: fraction })
    }

    function test_countCard_data() {
        return [
            { tag: "zero", count: 0, text: "0", secondary: true },
            { tag: "some", count: 7, text: "7", secondary: false },
            { tag: "large", count: 1234567, text: "1234567", secondary: false }
        ]
    }
    function test_countCard(data) {
        const card = createTemporaryObject(cardComponent, testCase, { count: data.count, label: "Última hora" })
        const text = child(card, "countText")
        compare(text.text, data.text)
        compare(String(text.color), String(data.secondary ? Theme.secondaryLabel : Theme.label))
    }

    function test_peakRow_data() {
        return [
            { tag: "no event", event: null },
            { tag: "event", event: { earthquake: { magnitude: 4.26, location: "NE TENERIFE" } } },
            { tag: "long place", event: { earthquake: { magnitude: 2.0, location: "ATLÁNTICO-CANARIAS ".repeat(12) } } }
        ]
    }
    function test_peakRow(data) {
        const row = createTemporaryObject(peakComponent, testCase, { periodLabel: "Mayor en 24h", event: data.event })
        const none = child(row, "peakNone")
        const event = child(row, "peakEvent")
        compare(row.hasEvent, data.event !== null)
        compare(none.visible, data.event === null)
        compare(event.visible, data.event !== null)
        if (data.event === null) {
            compare(none.text, "Sin datos")
            compare(String(none.color), String(Theme.tertiaryLabel))
            verify(none.x + none.width <= row.width + 0.5 && none.x > row.width / 2)  // at the trailing side
            return
        }
        const place = child(row, "peakPlace")
        compare(place.lineCount, 1)
        compare(place.truncated, data.event.earthquake.location.length > 100)
        verify(place.width <= row.width)
    }

    // The fill shows only with a count; a share of 1 fills the whole track.
    function test_barFill_data() {
        const rows = []
        for (const kind of ["magnitude", "depth"]) {
            rows.push({ tag: kind + " zero count, some fraction", kind: kind, count: 0, fraction: 0.7, share: 0 })
            rows.push({ tag: kind + " whole", kind: kind, count: 5, fraction: 1, share: 1 })
            rows.push({ tag: kind + " half", kind: kind, count: 5, fraction: 0.5, share: 0.5 })
        }
        return rows
    }
    function test_barFill(data) {
        const row = barRow(data.kind, data.count, data.fraction)
        const track = child(row, "barTrack")
        const fill = child(row, "barFill")
        compare(fill.width, track.width * data.share)
        compare(fill.visible, data.share > 0)
        compare(track.height, data.kind === "magnitude" ? 12 : 10)
        compare(track.radius, track.height / 2)
    }

    // Only a change of the share slides the fill, over 0.4 s; the first frame and a resize do not.
    function test_barAnimation_data() {
        return [ { tag: "magnitude", kind: "magnitude" }, { tag: "depth", kind: "depth" } ]
    }
    function test_barAnimation(data) {
        const row = barRow(data.kind, 4, 0.25)
        const fill = child(row, "barFill")
        compare(fill.width, 100)
        row.width = 200
        compare(fill.width, 50)
        if (data.kind === "magnitude")
            row.stat = magnitudeStat(4, 1)
        else
            row.fraction = 1
        wait(100)
        verify(fill.width > 50 && fill.width < 200, "midway: " + fill.width)
        tryCompare(fill, "width", 200, 60000)
    }

    function test_clusterRow_data() {
        return [
            { tag: "west longitude", lat: 28.0, lon: -16.5, avg: 2.345, centre: "28.0\u00b0 N  16.5\u00b0 O", average: "\u00d8 2.3" },
            { tag: "negative zero", lat: 27.5, lon: -0.0, avg: 3.25, centre: "27.5\u00b0 N  0.0\u00b0 O", average: "\u00d8 3.2" },
            { tag: "east longitude", lat: 28.5, lon: 13.5, avg: 0.05, centre: "28.5\u00b0 N  13.5\u00b0 O", average: "\u00d8 0.1" }
        ]
    }
    function test_clusterRow(data) {
        const row = createTemporaryObject(clusterComponent, testCase, {
            rank: 1, cluster: { displayName: "<b>W</b> LA GOMERA", count: 12, averageMagnitude: data.avg,
                                latKey: data.lat, lonKey: data.lon } })
        compare(row.centreText, data.centre)
        compare(row.averageText, data.average)
        const name = child(row, "zoneName")
        compare(name.text, "<b>W</b> LA GOMERA")
        compare(name.textFormat, Text.PlainText)
    }

    function test_rankColumn() {
        const ranks = [1, 5, 10].map(rank => createTemporaryObject(clusterComponent, testCase, {
            rank: rank, cluster: { displayName: "ZONA", count: 1, averageMagnitude: 1, latKey: 28, lonKey: -16 } }))
        for (const row of ranks) {
            const rank = child(row, "rank")
            compare(rank.x, 0)
            compare(rank.width, 18)
            compare(rank.horizontalAlignment, Text.AlignHCenter)
        }
    }

    function test_longZoneNameIsCut() {
        const row = createTemporaryObject(clusterComponent, testCase, {
            rank: 1, cluster: { displayName: "FUENCALIENTE DE LA PALMA ".repeat(10), count: 1234,
                                averageMagnitude: 1, latKey: 28, lonKey: -16 } })
        const name = child(row, "zoneName")
        verify(name.truncated)
        compare(name.lineCount, 1)
    }
}
