import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Sismovantaquelorin.Core

// The latest events: the stored events of the last thirty days that pass the filters and the
// place search, in the sections "24h", "7d" and "30d", newest first. Each row opens the
// event's detail. The screen refreshes on every appearance and runs the periodic refresh
// while it is shown. A window that keeps the screen hidden while another section shows calls
// startAfresh() as it leaves, so that the next appearance is that of a new screen.
NavigationStack {
    id: root

    required property EarthquakeRepository repository
    property ModelContext context: Store.mainContext

    // Screen state.
    property bool showFilterPopover: false
    property bool isSearchPresented: false
    property bool isActive: false
    property bool showHistorico: false   // attached; nothing opens it
    property bool showSettings: false    // attached; nothing opens it
    property date subtitleTick: new Date()
    property string initialSearch: ""   // renders and tests start with a search applied

    // Made at the first appearance (a screen built ahead of it has none, so nothing it would
    // observe, such as the application becoming active, starts a refresh) and kept until the
    // screen is started afresh.
    property EarthquakeListViewModel viewModel: null
    Component {
        id: viewModelComponent
        EarthquakeListViewModel {
            repository: root.repository
        }
    }
    readonly property LatestEarthquakesModel listModel: LatestEarthquakesModel {
        // Hidden, it follows no save: it reads the store when made and when it shows again.
        active: root.isActive
        context: root.context
        viewModel: root.viewModel
    }

    // Which of the four states shows, tested in this order.
    readonly property string screenState: listModel.storeIsEmpty && repository.isLoading ? "loading"
                                    : listModel.storeIsEmpty ? "empty"
                                    : listModel.count === 0 ? "noResults" : "list"

    function appear() {
        if (isActive)
            return
        if (!viewModel)
            viewModel = viewModelComponent.createObject(root)
        viewModel.onAppear()
        subtitleTick = new Date()  // the minute's tick rested while hidden
        isActive = true
    }
    function disappear() {
        if (!isActive)
            return
        viewModel.stopAutoRefresh()
        isActive = false
    }
    // For a hidden screen: back to what a new screen is, without its view model until it
    // appears again (filters, search, subtitle), on its list page at the top, no popover.
    function startAfresh() {
        disappear()
        if (viewModel) {
            const leaving = viewModel
            viewModel = null
            leaving.destroy()
        }
        showFilterPopover = false
        isSearchPresented = false
        if (depth > 1)
            pop(null, T.StackView.Immediate)
        list.contentY = list.originY - list.topMargin
        subtitleTick = new Date()
    }
    Component.onCompleted: {
        if (visible)
            appear()
        if (initialSearch.length > 0 && viewModel) {
            viewModel.searchText = initialSearch
            isSearchPresented = true
        }
    }
    Component.onDestruction: {
        disappear()
        // A list resized while its stack is torn down would build section headers in a dying
        // context; with no model it builds nothing.
        list.model = null
    }
    onVisibleChanged: visible ? appear() : disappear()

    // The popover belongs to the list page: asked for while an event's detail is pushed, it
    // shows once the list is on top again.
    PagePresentation {
        id: filterPresentation
        requested: root.showFilterPopover
        page: listPage
        popup: filterPopover
        onDismissed: root.showFilterPopover = false
    }

    onIsSearchPresentedChanged: {
        if (!isSearchPresented && viewModel)
            viewModel.searchText = ""
    }

    Connections {
        target: NamedNotifications
        function onPosted(name) {
            if (!root.isActive || !NamedNotifications.reaches(root.Window.window))
                return
            if (name === "focusSearch")
                root.isSearchPresented = true
            else if (name === "openFilter")
                root.showFilterPopover = true
        }
    }

    // The subtitle and the section boundaries follow the clock at least once a minute.
    Timer {
        interval: 60000
        repeat: true
        running: root.isActive
        onTriggered: {
            root.subtitleTick = new Date()
            root.listModel.recompute()
        }
    }

    initialItem: NavigationPage {
        id: listPage
        objectName: "latestListPage"
        title: Localized.text("tab.sismos", "Sismos")
        subtitle: {
            root.subtitleTick  // re-evaluated on every tick
            return root.viewModel ? root.viewModel.lastUpdatedSubtitle : ""
        }

        toolbar: [
            SearchField {
                id: searchField
                objectName: "searchField"
                anchors.verticalCenter: parent ? parent.verticalCenter : undefined
                width: 200
                placeholderText: Localized.text("list.search.prompt", "Buscar por localización")
                text: root.viewModel ? root.viewModel.searchText : ""
                // Every change, not only edits; the model's own resets come back unchanged.
                onTextChanged: if (root.viewModel && root.viewModel.searchText !== text) root.viewModel.searchText = text
                presented: root.isSearchPresented
                onPresentationRequested: presented => root.isSearchPresented = presented
            },
            ToolbarButton {
                id: refreshButton
                objectName: "refreshButton"
                anchors.verticalCenter: parent ? parent.verticalCenter : undefined
                enabled: !root.repository.isLoading && !root.repository.isCoolingDown
                accessibleName: Localized.text("menu.refresh", "Actualizar terremotos")
                contentItem: RefreshButtonLabel {
                    repository: root.repository
                    opacity: refreshButton.enabled || root.repository.isLoading ? 1 : 0.9
                }
                onClicked: if (root.viewModel) root.viewModel.manualRefresh()
            },
            ToolbarButton {
                id: filterButton
                objectName: "filterButton"
                anchors.verticalCenter: parent ? parent.verticalCenter : undefined
                readonly property bool filtersAreDefault: !root.viewModel || root.viewModel.filtersAreDefault
                symbol: filtersAreDefault ? "line.3.horizontal.decrease.circle" : "line.3.horizontal.decrease.circle.fill"
                symbolColor: filtersAreDefault ? Theme.toolbarSymbol : Theme.accent
                accessibleName: Localized.text("menu.openFilter", "Abrir filtros")
                onClicked: root.showFilterPopover = true
            }
        ]

        Popover {
            id: filterPopover
            objectName: "filterPopover"
            anchorItem: filterButton
            // Made with the screen's view model, while it has one.
            Loader {
                active: root.viewModel !== null
                sourceComponent: FilterPopoverContent { viewModel: root.viewModel }
            }
        }

        ProgressView {
            objectName: "loadingState"
            anchors.fill: parent
            visible: root.screenState === "loading"
            label: Localized.text("list.loading", "Cargando terremotos\u2026")
        }

        EmptyStateView {
            objectName: "emptyState"
            anchors.fill: parent
            visible: root.screenState === "empty"
            symbol: "waveform.path.ecg"
            title: Localized.text("list.empty.title", "Sin datos")
            description: Localized.text("list.empty.description",
                                        "No hay terremotos registrados. Tira hacia abajo para actualizar.")
        }

        EmptyStateView {
            objectName: "noResultsState"
            anchors.fill: parent
            visible: root.screenState === "noResults"
            symbol: "magnifyingglass"
            title: Localized.text("list.noresults.title", "Sin resultados")
            description: Localized.text("list.noresults.description",
                                        "Ningún terremoto coincide con los filtros aplicados.")
        }

        ListView {
            id: list
            objectName: "earthquakeList"
            anchors.fill: parent
            Accessible.role: Accessible.List
            Accessible.name: listPage.title
            visible: root.screenState === "list"
            model: root.listModel
            clip: true
            reuseItems: true
            topMargin: 6
            bottomMargin: 10
            boundsBehavior: Flickable.DragAndOvershootBounds
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            // Pulling the list down past its top starts a user refresh.
            onDragEnded: if (contentY < -originY - 64 && root.viewModel) root.viewModel.manualRefresh()

            section.property: "sectionTitle"
            section.criteria: ViewSection.FullString
            section.delegate: SectionHeader {
                required property string section
                width: ListView.view.width
                leftPadding: 20
                text: section
            }

            delegate: EarthquakeRowDelegate {
                onOpened: earthquake => root.push(detailComponent, { earthquake: earthquake })
            }
        }
    }

    Component {
        id: detailComponent
        EarthquakeDetailView {
            context: root.context
        }
    }
}
