import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Sismovantaquelorin.Core

// The history: every stored event in month sections, newest first, loaded fifty at a time,
// with a place search over the loaded events, a date-filter sheet and a row that loads the
// next page. Each appearance (also the return from an event's detail) reloads the first page
// and the years.
NavigationStack {
    id: root

    property ModelContext context: Store.mainContext
    // Made with the screen; renders and tests hand in one of their own.
    property HistoricoViewModel viewModel: HistoricoViewModel {}

    // Screen state.
    property bool showFilterSheet: false
    property bool isSearchPresented: false
    property bool isActive: false
    property string initialSearch: ""   // renders and tests start with a search applied

    // Which content shows, tested in this order.
    readonly property string screenState: viewModel.loadedCount === 0 && viewModel.isLoading ? "loading"
                                        : viewModel.loadedCount === 0 ? "empty" : "list"

    function appear() {
        if (isActive)
            return
        viewModel.onAppear(context)
        viewModel.loadAvailableYears(context)
        isActive = true
    }
    function disappear() {
        isActive = false
    }

    Component.onCompleted: {
        if (initialSearch.length > 0) {
            viewModel.searchText = initialSearch
            isSearchPresented = true
        }
    }
    Component.onDestruction: {
        disappear()
        list.model = null   // no section headers built in a dying context
    }

    onIsSearchPresentedChanged: {
        if (!isSearchPresented)
            viewModel.searchText = ""
    }

    Connections {
        target: NamedNotifications
        function onPosted(name) {
            if (!root.isActive)
                return
            if (name === "focusSearch")
                root.isSearchPresented = true
            else if (name === "openFilter")
                root.showFilterSheet = true
        }
    }

    // The sheet belongs to the list page: it shows only while that page is on top.
    PagePresentation {
        requested: root.showFilterSheet
        page: listPage
        popup: filterSheet
        onDismissed: root.showFilterSheet = false
    }

    HistoricoFilterSheet {
        id: filterSheet
        objectName: "filterSheet"
        viewModel: root.viewModel
    }

    initialItem: NavigationPage {
        id: listPage
        objectName: "historicoListPage"
        title: Localized.text("historico.title", "Histórico")
        subtitle: root.viewModel.navSubtitle

        // Sent for the first page as soon as the stack shows it, and again after each pop. The
        // screen leaves as soon as a detail starts to cover it, so no request made during the
        // push transition waits for the return.
        T.StackView.onActivated: root.appear()
        T.StackView.onDeactivating: root.disappear()

        toolbar: [
            SearchField {
                id: searchField
                objectName: "searchField"
                anchors.verticalCenter: parent ? parent.verticalCenter : undefined
                width: 200
                placeholderText: Localized.text("historico.search.prompt", "Buscar por localización")
                text: root.viewModel.searchText
                // Every change, not only edits; the model's own resets come back unchanged.
                onTextChanged: if (root.viewModel.searchText !== text) root.viewModel.searchText = text
                presented: root.isSearchPresented
                onPresentationRequested: presented => root.isSearchPresented = presented
            },
            ToolbarButton {
                id: filterButton
                objectName: "filterButton"
                anchors.verticalCenter: parent ? parent.verticalCenter : undefined
                symbol: root.viewModel.filterMode.isNone ? "line.3.horizontal.decrease.circle"
                                                         : "line.3.horizontal.decrease.circle.fill"
                symbolColor: root.viewModel.filterMode.isNone ? Theme.toolbarSymbol : Theme.accent
                toolTip: Localized.text("filter.title", "Filtrar histórico")
                onClicked: root.showFilterSheet = true
            }
        ]

        ProgressView {
            objectName: "loadingState"
            anchors.fill: parent
            visible: root.screenState === "loading"
            label: Localized.text("historico.loading", "Cargando histórico\u2026")
        }

        EmptyStateView {
            objectName: "emptyState"
            anchors.fill: parent
            visible: root.screenState === "empty"
            symbol: "calendar.badge.exclamationmark"
            title: Localized.text("historico.empty.title", "Sin resultados")
            description: Localized.text("historico.empty.description",
                                        "No hay terremotos para el período seleccionado.")
        }

        ListView {
            id: list
            objectName: "historicoList"
            anchors.fill: parent
            visible: root.screenState === "list"
            model: root.viewModel.listModel
            clip: true
            reuseItems: true
            topMargin: 6
            bottomMargin: 10
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

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

            footer: LoadMoreRow {
                width: ListView.view.width
                shown: root.viewModel.hasMore
                loading: root.viewModel.isLoading
                onTriggered: root.viewModel.loadMore()
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
