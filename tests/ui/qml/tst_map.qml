import QtQuick
import QtTest
import Sismovantaquelorin
import Sismovantaquelorin.Core

TestCase {
    id: testCase
    name: "MapPieces"
    when: windowShown
    visible: true       // clicks need shown items
    width: 700
    height: 500

    Component { id: markerComponent; EarthquakeMarker {} }
    Component { id: calloutComponent; EarthquakeCallout { width: 600 } }
    Component { id: popoverComponent; FilterPopoverContent {} }
    Component { id: viewModelComponent; MapViewModel {} }
    Component { id: menuComponent; FilterMenu {} }
    SignalSpy { id: dismissSpy; signalName: "dismiss" }
    SignalSpy { id: detailSpy; signalName: "viewDetail" }

    // An event as the map hands it over: only what the views read.
    function event(fields) {
        const base = { magnitude: 2.5, location: "NE TENERIFE", date: new Date(Date.UTC(2026, 11, 9, 10, 5)),
                       depth: 10.0, magnitudeType: "mbLg", eventID: "es1" }
        for (const k in fields)
            base[k] = fields[k]
        return base
    }
    function find(item, name) {
        if (!item)
            return null
        if (item.objectName === name)
            return item
        for (let i = 0; i < item.children.length; ++i) {
            const found = find(item.children[i], name)
            if (found)
                return found
        }
        return null
    }
    function rings(marker) {
        const out = []
        for (let i = 0; i < marker.children.length; ++i)
            if (marker.children[i].hasOwnProperty("delay"))
                out.push(marker.children[i])
        return out
    }

    function test_markerTable_data() {
        return [
            { tag: "resting", selected: false, latest: false, size: 28, font: 9, scale: 1.0, rings: 0 },
            { tag: "selected", selected: true, latest: false, size: 36, font: 11, scale: 1.2, rings: 0 },
            { tag: "newest", selected: false, latest: true, size: 28, font: 9, scale: 1.0, rings: 3 },
            { tag: "newest selected", selected: true, latest: true, size: 36, font: 11, scale: 1.2, rings: 3 }
        ]
    }
    function test_markerTable(data) {
        const marker = createTemporaryObject(markerComponent, testCase,
                                             { earthquake: event({}), isSelected: data.selected,
                                               isLatest: data.latest, animated: false })
        compare(marker.markerSize, data.size)
        compare(find(marker, "disc").width, data.size)
        compare(find(marker, "label").font.pixelSize, data.font)
        compare(marker.scale, data.scale)
        compare(find(marker, "selectionRing").visible, data.selected)
        const r = rings(marker)
        compare(r.length, data.rings)
        // the rings start from the marker's current size, 0, 0.65 and 1.3 s after appearing
        for (let i = 0; i < r.length; ++i)
            compare(r[i].baseSize, data.size)
        if (r.length === 3)
            compare([r[0].delay, r[1].delay, r[2].delay], [0, 0.65, 1.3])
    }

    function test_markerLabelAndColour_data() {
        return [
            { tag: "whole", magnitude: 3, text: "3.0" },
            { tag: "zero", magnitude: 0, text: "0.0" },
            { tag: "low band starts at 2.0", magnitude: 2.0, text: "2.0" }
        ]
    }
    function test_markerLabelAndColour(data) {
        const marker = createTemporaryObject(markerComponent, testCase,
                                             { earthquake: event({ magnitude: data.magnitude }), animated: false })
        compare(find(marker, "label").text, data.text)
        verify(Qt.colorEqual(find(marker, "disc").color, Formats.magnitudeColor(data.magnitude)))
        if (data.magnitude === 2.0)
            verify(Qt.colorEqual(find(marker, "disc").color, Qt.rgba(1.0, 0.85, 0.0, 1)))
    }

    function test_selectionSprings() {
        const marker = createTemporaryObject(markerComponent, testCase, { earthquake: event({}) })
        marker.isSelected = true
        verify(marker.markerSize < 36)      // on its way
        tryCompare(marker, "markerSize", 36, 60000)
        compare(marker.scale, 1.2)
        marker.isSelected = false
        tryCompare(marker, "markerSize", 28, 60000)
    }

    function test_calloutFigures_data() {
        return [
            { tag: "depth rounds", fields: { depth: 10.6 }, depth: "11 km", type: "mbLg" },
            { tag: "zero depth", fields: { depth: 0 }, depth: "0 km", type: "mbLg" },
            { tag: "empty type", fields: { magnitudeType: "" }, depth: "10 km", type: "" }
        ]
    }
    function test_calloutFigures(data) {
        const callout = createTemporaryObject(calloutComponent, testCase, { earthquake: event(data.fields) })
        compare(find(find(callout, "depthItem"), "value").text, data.depth)
        compare(find(find(callout, "magnitudeItem"), "value").text, "2.5")
        compare(find(find(callout, "typeItem"), "value").text, data.type)
        // the icon and the label stay when the value is empty
        verify(find(callout, "typeItem").height > 20)
        verify(find(callout, "date").text.endsWith(" UTC"))
    }

    function test_calloutPlaceIsPlainAndAtMostTwoLines() {
        let place = "<b>ATLÁNTICO</b>\nCANARIAS"
        for (let i = 0; i < 12; ++i)
            place += " MUY LEJOS DE LA COSTA"
        const callout = createTemporaryObject(calloutComponent, testCase, { earthquake: event({ location: place }) })
        const text = find(callout, "place")
        compare(text.textFormat, Text.PlainText)
        verify(text.lineCount <= 2)
        verify(text.truncated)
    }

    function test_calloutButtonsOnlyReport() {
        const callout = createTemporaryObject(calloutComponent, testCase, { earthquake: event({}) })
        dismissSpy.target = callout
        detailSpy.target = callout
        dismissSpy.clear()
        detailSpy.clear()
        const close = find(callout, "closeButton")
        mouseClick(close)
        compare(dismissSpy.count, 1)
        compare(detailSpy.count, 0)
        mouseClick(find(callout, "detailButton"))
        compare(dismissSpy.count, 1)
        compare(detailSpy.count, 1)
        verify(callout.visible)   // the callout changes nothing itself
    }

    function test_filterMenuBuilds() {
        // its texts and symbols come from the application's singletons: a missing import
        // leaves the menu with empty rows and only a warning to show for it
        failOnWarning(/ReferenceError/)
        const vm = createTemporaryObject(viewModelComponent, testCase)
        verify(createTemporaryObject(menuComponent, testCase, { viewModel: vm }))
    }

    function test_popoverWritesTheMapFilters() {
        const vm = createTemporaryObject(viewModelComponent, testCase)
        const popover = createTemporaryObject(popoverComponent, testCase, { viewModel: vm })
        verify(find(popover, "magnitude-all").current)
        verify(find(popover, "date-all").current)
        mouseClick(find(popover, "magnitude-strong"))
        mouseClick(find(popover, "date-lastHour"))
        compare(vm.selectedFilter, "strong")
        compare(vm.selectedDateFilter, "lastHour")
        verify(find(popover, "magnitude-strong").current && !find(popover, "magnitude-all").current)
        verify(popover.visible)
        // choosing the checked row again changes nothing
        mouseClick(find(popover, "magnitude-strong"))
        compare(vm.selectedFilter, "strong")
        mouseClick(find(popover, "resetFilters"))
        compare(vm.selectedFilter, "all")
        compare(vm.selectedDateFilter, "all")
        verify(find(popover, "magnitude-all").current && find(popover, "date-all").current)
    }
}
