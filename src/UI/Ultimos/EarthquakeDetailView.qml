import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Sismovantaquelorin.Core
import Sismovantaquelorin.Map

// One event: a map of its surroundings with a pulsing marker and the newest other events as
// dots, then its data rows. Pushed on a NavigationStack; it only reads.
NavigationPage {
    id: root

    required property var earthquake          // an earthquakeItem
    property ModelContext context: Store.mainContext

    readonly property EarthquakeDetailViewModel viewModel: EarthquakeDetailViewModel {
        earthquake: root.earthquake
    }

    title: viewModel.title

    function appear() {
        viewModel.loadNearby(root.context)
        map.fitRegion(root.earthquake.coordinate, 0.3, 0.3)
    }
    // Every appearance reloads the dots and resets the camera.
    T.StackView.onActivated: appear()
    Component.onCompleted: if (!T.StackView.view) appear()

    ScrollView {
        id: scroll
        anchors.fill: parent
        contentWidth: availableWidth

        Column {
            width: scroll.availableWidth
            spacing: 0

            GeoMap {
                id: map
                objectName: "detailMap"
                width: parent.width
                height: 300
                interactive: true
                dark: Theme.dark

                Repeater {
                    model: root.viewModel.nearbyEarthquakes
                    MapAnnotation {
                        required property var modelData
                        coordinate: modelData.coordinate
                        anchorPoint: MapAnnotation.BottomCenter
                        title: modelData.location
                        width: 14
                        height: 14
                        Rectangle {
                            anchors.fill: parent
                            radius: width / 2
                            color: Qt.rgba(modelData.categoryColor.r, modelData.categoryColor.g,
                                           modelData.categoryColor.b, 0.55)
                            border.width: 1
                            border.color: Qt.rgba(1, 1, 1, 0.6)
                        }
                    }
                }

                MapAnnotation {
                    objectName: "shownEvent"
                    coordinate: root.earthquake.coordinate
                    anchorPoint: MapAnnotation.BottomCenter
                    title: root.earthquake.location
                    width: 22
                    height: 22
                    z: 1

                    RippleRing { anchors.centerIn: parent; delay: 0; baseSize: 22 }
                    RippleRing { anchors.centerIn: parent; delay: 0.65; baseSize: 22 }
                    RippleRing { anchors.centerIn: parent; delay: 1.3; baseSize: 22 }
                    Rectangle {
                        anchors.centerIn: parent
                        width: 22
                        height: 22
                        radius: 11
                        color: root.earthquake.categoryColor
                    }
                    Rectangle {
                        anchors.centerIn: parent
                        width: 22
                        height: 22
                        radius: 11
                        color: "transparent"
                        border.width: 2
                        border.color: "white"
                    }
                    SFSymbol {
                        anchors.centerIn: parent
                        name: "star.fill"
                        size: 8
                        color: "white"
                    }
                }
            }

            Column {
                objectName: "detailRows"
                x: Theme.padding
                width: parent.width - 2 * Theme.padding
                topPadding: 16
                spacing: 0

                Repeater {
                    model: root.viewModel.rows
                    Column {
                        required property var modelData
                        required property int index
                        width: parent.width
                        Divider { width: parent.width; visible: index > 0 }
                        DetailRow {
                            width: parent.width
                            icon: modelData.icon
                            label: modelData.label
                            value: modelData.value
                        }
                    }
                }
            }
        }
    }
}
