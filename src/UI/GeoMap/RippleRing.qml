import QtQuick
import Sismovantaquelorin.Map

// An expanding, fading ring around a marker. In a frame of baseSize x baseSize: a 2-point
// circle outline (red at 0.75 at the centre to yellow at 0.3 at the trailing edge) that,
// `delay` seconds after it appears, grows to 3.2 times its size while fading out, easing out
// over 2 seconds, and starts again from the small opaque ring, for as long as it exists.
// Stack several with delays 0, 0.65 and 1.3 for a continuous ripple. The start timer belongs
// to the ring and dies with it.
Item {
    id: ring

    property real delay: 0          // seconds
    property real baseSize: 22      // points
    property bool running: true     // false: the resting ring, still (renders pin it)

    readonly property real maxScale: 3.2
    property bool animate: false
    property real progress: 0       // 0: resting ring, 1: expanded and faded

    width: baseSize
    height: baseSize

    RippleRingShape {
        anchors.centerIn: parent
        // drawn at the largest size and scaled down, so the stroke stays crisp as it grows
        width: ring.baseSize * ring.maxScale + lineWidth
        height: width
        lineWidth: 2 * ring.maxScale
        scale: (1 + (ring.maxScale - 1) * ring.progress) / ring.maxScale
        opacity: 1 - ring.progress
    }

    Timer {
        interval: Math.max(0, ring.delay * 1000)
        running: ring.running
        onTriggered: ring.animate = true
    }

    NumberAnimation on progress {
        running: ring.animate
        from: 0
        to: 1
        duration: 2000
        loops: Animation.Infinite
        // the platform's ease-out curve
        easing.type: Easing.BezierSpline
        easing.bezierCurve: [0, 0, 0.58, 1, 1, 1]
    }
}
