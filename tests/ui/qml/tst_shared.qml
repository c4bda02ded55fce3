import QtQuick
import QtTest
import Sismovantaquelorin

TestCase {
    id: testCase
    name: "SharedPieces"
    when: windowShown
    width: 400
    height: 300

    Component { id: imageComponent; Image { sourceSize: Qt.size(16, 16) } }
    Component { id: searchComponent; SearchField { width: 200 } }
    SignalSpy { id: closedSpy; signalName: "presentationRequested" }

    // The provider is installed by the Symbols singleton itself: no set-up in the engine.
    function test_symbolImagesLoad_data() {
        return [{ tag: "mapped", name: "clock" }, { tag: "unknown", name: "no.such.symbol" }]
    }
    function test_symbolImagesLoad(data) {
        const image = createTemporaryObject(imageComponent, testCase,
                                            { source: Symbols.source(data.name, "#ff0000") })
        tryCompare(image, "status", Image.Ready, 60000)
        verify(image.implicitWidth > 0)
        compare(Symbols.has(data.name), data.tag === "mapped")
    }

    function test_escapeClearsThenCloses() {
        const field = createTemporaryObject(searchComponent, testCase, { presented: true })
        closedSpy.target = field
        closedSpy.clear()
        field.forceActiveFocus()
        field.text = "tenerife"
        keyClick(Qt.Key_Escape)
        compare(field.text, "")
        compare(closedSpy.count, 0)
        verify(field.activeFocus)
        keyClick(Qt.Key_Escape)
        compare(closedSpy.count, 1)
        compare(closedSpy.signalArguments[0][0], false)  // asks the screen to close the search
        verify(!field.activeFocus)
    }
}
