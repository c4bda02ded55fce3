import QtQuick
import Sismovantaquelorin
import QtQuick.Templates as T
import Sismovantaquelorin.Core
import Sismovantaquelorin.Map

// The map section: every stored event that passes the map's own filters as a marker on a map
// of the islands, the newest shown one with ripple rings. A marker tap selects its event and
// brings its callout in at the bottom; the callout opens the event's detail on this screen's
// stack. The screen asks for one refresh each time it appears.
NavigationStack {
    id: root

    required property EarthquakeRepository repository
    property ModelContext context: Store.mainContext
    property bool tilesEnabled: true      // renders and tests draw the coastlines alone
    property bool animated: true          // renders pin the ripple and the callout's slide

    // Screen state.
    property bool showSettings: false     // attached; nothing opens it
    property bool showFilterPopover: false
    property bool isActive: false

    readonly property MapViewModel viewModel: MapViewModel {
        repository: root.repository
    }
    readonly property MapEarthquakesModel mapModel: MapEarthquakesModel {
        // Set first: a screen made hidden computes no markers until it appears.
        active: root.isActive
        context: root.context
        viewModel: root.viewModel
    }
    readonly property GeoMap map: geoMap
    readonly property MarkerLayer markerLayer: layer

    function appear() {
        if (isActive)
            return
        viewModel.onAppear()
        isActive = true  // the markers are recomputed as the model becomes active
    }
    function disappear() {
        isActive = false
    }
    Component.onCompleted: if (visible) appear()
    Component.onDestruction: disappear()
    onVisibleChanged: visible ? appear() : disappear()

    // A tap on the selected event's marker clears the selection; on another marker it moves
    // the selection in one step.
    function toggleSelection(id) {
        const tapped = mapModel.earthquakeFor(id)
        if (!tapped.isValid)
            return
        const selected = viewModel.selectedEarthquake
        if (selected.isValid && selected.eventID === tapped.eventID)
            viewModel.clearSelection()
        else
            viewModel.selectedEarthquake = tapped
    }
    function openDetail(earthquake) {
        root.push(detailComponent, { earthquake: earthquake })
    }

    // The popover belongs to the map page: asked for while an event's detail is pushed, it
    // shows once the map is on top again.
    PagePresentation {
        requested: root.showFilterPopover
        page: mapPage
        popup: filterPopover
        onDismissed: root.showFilterPopover = false
    }

    Connections {
        target: NamedNotifications
        function onPosted(name) {
            if (root.isActive && name === "openFilter")
                root.showFilterPopover = true
        }
    }

    Sheet {
        id: settingsSheet
        Loader {
            active: settingsSheet.visible
            sourceComponent: Component { SettingsView {} }
        }
        onClosed: root.showSettings = false
    }
    onShowSettingsChanged: showSettings ? settingsSheet.open() : settingsSheet.close()

    initialItem: NavigationPage {
        id: mapPage
        objectName: "mapPage"
        title: Localized.text("tab.mapa", "Mapa")

        toolbar: [
            ToolbarButton {
                id: filterButton
                objectName: "filterButton"
                anchors.verticalCenter: parent ? parent.verticalCenter : undefined
                symbol: root.viewModel.filtersAreDefault ? "line.3.horizontal.decrease.circle"
                                                         : "line.3.horizontal.decrease.circle.fill"
                symbolColor: root.viewModel.filtersAreDefault ? Theme.toolbarSymbol : Theme.accent
                Accessible.name: Localized.text("filter.magnitude.header", "Magnitude") + ", "
                                 + Localized.text("filter.date.header", "Date")
                onClicked: root.showFilterPopover = true
            },
            ProgressView {
                objectName: "loadingIndicator"
                anchors.verticalCenter: parent ? parent.verticalCenter : undefined
                visible: root.repository.isLoading
                width: 16
                height: 16
                indicatorSize: 13
            }
        ]

        Popover {
            id: filterPopover
            objectName: "filterPopover"
            anchorItem: filterButton
            FilterPopoverContent { viewModel: root.viewModel }
        }

        GeoMap {
            id: geoMap
            objectName: "map"
            anchors.fill: parent
            dark: Theme.dark
            tilesEnabled: root.tilesEnabled
            // Once, at creation: appearing again or coming back from a detail keeps the camera.
            Component.onCompleted: region = root.viewModel.region

            MarkerLayer {
                id: layer
                objectName: "markerLayer"
                markerSet: root.mapModel.markerSet
                excludedIds: [root.mapModel.newestId, root.mapModel.selectedId].filter(id => id.length > 0)
                labelFamily: Theme.roundedFontFamily
                onMarkerTapped: id => root.toggleSelection(id)
            }

            // The selected event, when it is shown and not the newest, above the other markers.
            MapAnnotation {
                id: selectedAnnotation
                objectName: "selectedAnnotation"
                readonly property var earthquake: root.viewModel.selectedEarthquake
                visible: root.mapModel.selectedId.length > 0 && root.mapModel.selectedId !== root.mapModel.newestId
                coordinate: earthquake.coordinate
                anchorPoint: MapAnnotation.Center
                title: earthquake.location
                width: MapEarthquakesModel.MarkerDiameter
                height: MapEarthquakesModel.MarkerDiameter
                z: 2
                EarthquakeMarker {
                    objectName: "selectedMarker"
                    anchors.centerIn: parent
                    earthquake: selectedAnnotation.earthquake
                    isSelected: true
                    animated: root.animated
                    onTapped: root.toggleSelection(root.mapModel.selectedId)
                }
            }

            // The newest shown event, with its ripple, above everything older.
            MapAnnotation {
                id: newestAnnotation
                objectName: "newestAnnotation"
                readonly property var earthquake: root.mapModel.newest
                visible: earthquake.isValid && root.mapModel.isPlaceable(earthquake.latitude, earthquake.longitude)
                coordinate: earthquake.coordinate
                anchorPoint: MapAnnotation.Center
                title: earthquake.location
                width: MapEarthquakesModel.MarkerDiameter
                height: MapEarthquakesModel.MarkerDiameter
                z: 3
                EarthquakeMarker {
                    objectName: "newestMarker"
                    anchors.centerIn: parent
                    earthquake: newestAnnotation.earthquake
                    isLatest: true
                    animated: root.animated
                    isSelected: root.viewModel.selectedEarthquake.isValid
                                && root.viewModel.selectedEarthquake.eventID === newestAnnotation.earthquake.eventID
                    onTapped: root.toggleSelection(root.mapModel.newestId)
                }
            }
        }

        // The callout follows the selection alone: it stays while a filter hides the marker.
        EarthquakeCallout {
            id: callout
            objectName: "callout"
            // the last selected event, kept through the exit so the card leaves with its content
            property var shownEarthquake: root.viewModel.selectedEarthquake
            readonly property bool wanted: root.viewModel.selectedEarthquake.isValid
            property real presence: wanted ? 1 : 0
            Behavior on presence {
                enabled: root.animated
                NumberAnimation { duration: 250; easing.type: Easing.OutCubic }
            }
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            z: 1
            earthquake: shownEarthquake
            visible: presence > 0
            opacity: presence
            transform: Translate { y: (1 - callout.presence) * callout.height }
            onWantedChanged: if (wanted) shownEarthquake = Qt.binding(() => root.viewModel.selectedEarthquake)
                             else shownEarthquake = shownEarthquake
            // Its buttons stop with the exit: the selection they would act on is gone.
            interactive: wanted
            onViewDetail: if (root.viewModel.selectedEarthquake.isValid) root.openDetail(root.viewModel.selectedEarthquake)
            onDismiss: root.viewModel.clearSelection()
        }
    }

    Component {
        id: detailComponent
        EarthquakeDetailView {
            context: root.context
        }
    }
}
