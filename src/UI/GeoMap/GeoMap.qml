import QtQuick
import Sismovantaquelorin.Map

// The map with its gestures, made of Qt Quick's own pointer handlers (declared in its content
// layer, under the annotations, whose own mouse areas take their taps first): a drag pans, the
// wheel and a pinch zoom about the pointer, a double tap zooms in, and a tap goes to the
// marker layers or else reports its coordinate. The keys + and - are the base item's.
GeoMapBase {
    id: map

    DragHandler {
        target: null
        enabled: map.interactive
        property vector2d done   // of this drag's translation, already panned
        onActiveChanged: done = Qt.vector2d(0, 0)
        onTranslationChanged: {
            if (!active)
                return
            map.pan(translation.x - done.x, translation.y - done.y)
            done = translation
        }
    }

    PinchHandler {
        target: null
        enabled: map.interactive
        // recognised at the first spread: what comes before is not zoomed
        dragThreshold: 0
        property real lastScale: 1
        property point lastCentroid
        function follow() {
            if (!active)
                return
            const c = centroid.position
            map.pan(c.x - lastCentroid.x, c.y - lastCentroid.y)
            if (activeScale > 0 && lastScale > 0)
                map.zoomAround(Math.log2(activeScale / lastScale), c)
            lastCentroid = c
            lastScale = activeScale
        }
        // from where the fingers came down, the way they went until the pinch was recognised
        onActiveChanged: {
            lastScale = 1
            lastCentroid = centroid.pressPosition
            follow()
        }
        onActiveScaleChanged: follow()
        onCentroidChanged: follow()
    }

    WheelHandler {
        target: null
        enabled: map.interactive
        onWheel: event => {
            if (event.angleDelta.y !== 0)
                map.zoomAround(event.angleDelta.y / 120 * 0.5, point.position)
        }
    }

    TapHandler {
        // a press held long and released in place is a tap too
        longPressThreshold: 1000000
        onPressedChanged: if (pressed && map.interactive) map.forceActiveFocus(Qt.MouseFocusReason)
        // the second tap of a double tap zooms in instead
        onTapped: eventPoint => {
            if (tapCount === 2 && map.interactive)
                map.zoomAround(1.0, eventPoint.position)
            else
                map.tapAt(eventPoint.position)
        }
    }
}
