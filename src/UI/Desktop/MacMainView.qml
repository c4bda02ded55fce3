import QtQuick
import QtQuick.Templates as T
import Sismovantaquelorin.Core
import Sismovantaquelorin.Desktop

// The root of every main window: a sidebar of the four sections and a detail column that shows
// the selected section's screen. The latest events, the map and the statistics are kept while
// another section shows, each starting afresh on every entry; the latest events and the map
// are built in the background once the window has drawn its first frame, the statistics on
// their first visit. The history is built anew on each visit. The window's repository is made
// once, with the root, and handed to the latest-events and map screens.
Item {
    id: root

    property ModelContext context: Store.mainContext
    readonly property EarthquakeRepository repository: owner.repository
    property bool showInfoSheet: false
    // Set by the window scenes once the window has drawn its first frame: work that can wait
    // for it does.
    property bool firstFrameShown: false
    readonly property alias columnVisibility: columns
    // The screen of the selected section (the placeholder when none is).
    readonly property Item detailItem: {
        for (const slot of [latestSlot, historySlot, mapSlot, statsSlot, placeholderSlot])
            if (slot.chosen)
                return slot.item
        return null
    }

    readonly property real minimumSidebarWidth: 160
    readonly property real idealSidebarWidth: 190
    property real sidebarWidth: idealSidebarWidth

    RepositoryOwner {
        id: owner
        context: root.context
    }

    ColumnVisibility {
        id: columns
    }

    Connections {
        target: NamedNotifications
        function onPosted(name) {
            if (!NamedNotifications.reaches(root.Window.window))
                return  // a command for another main window
            if (name === "openInfo")
                root.showInfoSheet = true
            else if (name === "openSettings")
                WindowScenes.openWindow("settings")
            else if (name === "toggleSidebar")
                columns.toggle()
        }
    }

    Component.onCompleted: FirstLaunchPermission.requestNotificationPermissionOnFirstLaunch()

    // Sidebar -------------------------------------------------------------------------------

    Rectangle {
        id: sidebar
        objectName: "sidebar"
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        width: columns.showsSidebar ? Math.min(root.sidebarWidth, root.maximumSidebarWidth()) : 0
        visible: width > 0
        clip: true
        color: Theme.sidebar

        Behavior on width {
            enabled: !splitter.pressed && !edgeHandle.pressed
            NumberAnimation { duration: 180; easing.type: Easing.OutCubic }
        }

        Item {
            id: sidebarHeader
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            width: root.sidebarWidth
            height: Theme.toolbarHeight

            Text {
                anchors.left: parent.left
                anchors.leftMargin: 18
                anchors.right: sidebarToggle.left
                anchors.rightMargin: 6
                anchors.verticalCenter: parent.verticalCenter
                text: Localized.text("Terremotos", "Terremotos")
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font: Theme.weighted(Theme.title3, Font.Bold)
                color: Theme.label
            }
            ToolbarButton {
                id: sidebarToggle
                anchors.right: parent.right
                anchors.rightMargin: 10
                anchors.verticalCenter: parent.verticalCenter
                symbol: "sidebar.left"
                toolTip: Localized.text("menu.toggleSidebar", "Mostrar/Ocultar barra lateral")
                onClicked: columns.toggle()
            }
        }

        ListView {
            id: sectionList
            objectName: "sectionList"
            Accessible.role: Accessible.List
            Accessible.name: Localized.text("Terremotos", "Terremotos")
            anchors.top: sidebarHeader.bottom
            anchors.bottom: bottomBar.top
            anchors.left: parent.left
            width: root.sidebarWidth
            topMargin: 2
            clip: true
            spacing: 1
            focus: true
            activeFocusOnTab: true
            boundsBehavior: Flickable.StopAtBounds
            model: NavigationState.sidebarItems
            currentIndex: {
                const items = NavigationState.sidebarItems
                for (let i = 0; i < items.length; ++i)
                    if (items[i].id === NavigationState.sidebarSelection)
                        return i
                return -1
            }
            highlightFollowsCurrentItem: false

            delegate: Rectangle {
                id: row
                required property var modelData
                required property int index
                readonly property bool selected: NavigationState.sidebarSelection === modelData.id
                readonly property bool emphasized: selected && sectionList.activeFocus

                objectName: "sidebarRow_" + modelData.id
                Accessible.role: Accessible.ListItem
                Accessible.name: modelData.label
                Accessible.selected: selected
                Accessible.selectable: true
                Accessible.onPressAction: NavigationState.sidebarSelection = modelData.id
                x: 10
                width: sectionList.width - 20
                height: 30
                radius: Theme.controlRadius
                color: emphasized ? Theme.accent
                     : selected ? Theme.unemphasizedSelection
                     : rowArea.pressed ? Theme.pressedFill
                     : rowArea.containsMouse ? Theme.hoverFill : "transparent"

                Row {
                    anchors.left: parent.left
                    anchors.leftMargin: 8
                    anchors.right: parent.right
                    anchors.rightMargin: 8
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 8
                    SFSymbol {
                        anchors.verticalCenter: parent.verticalCenter
                        name: row.modelData.icon
                        size: 16
                        color: row.emphasized ? "white" : Theme.accent
                    }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        width: parent.width - 24
                        text: row.modelData.label
                        textFormat: Text.PlainText
                        elide: Text.ElideRight
                        font: row.selected ? Theme.weighted(Theme.body, Font.Medium) : Theme.body
                        color: row.emphasized ? "white" : Theme.label
                    }
                }

                // A click selects; Ctrl+click on the selected row clears the selection, as in
                // desktop lists.
                MouseArea {
                    id: rowArea
                    anchors.fill: parent
                    hoverEnabled: true
                    onPressed: sectionList.forceActiveFocus()
                    onClicked: mouse => {
                        if (row.selected && (mouse.modifiers & Qt.ControlModifier))
                            NavigationState.sidebarSelection = ""
                        else
                            NavigationState.sidebarSelection = row.modelData.id
                    }
                }
            }

            Keys.onUpPressed: root.moveSelection(-1)
            Keys.onDownPressed: root.moveSelection(1)
        }

        Rectangle {
            id: bottomBar
            anchors.left: parent.left
            anchors.bottom: parent.bottom
            width: root.sidebarWidth
            height: bottomRow.implicitHeight + 16
            color: "transparent"

            Divider {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
            }

            Item {
                id: bottomRow
                anchors.fill: parent
                anchors.leftMargin: 12
                anchors.rightMargin: 12
                anchors.topMargin: 8
                anchors.bottomMargin: 8
                implicitHeight: settingsButton.implicitHeight

                ToolbarButton {
                    id: settingsButton
                    objectName: "settingsButton"
                    anchors.left: parent.left
                    anchors.verticalCenter: parent.verticalCenter
                    symbol: "gear"
                    toolTip: Localized.text("sidebar.ajustes", "Ajustes")
                    onClicked: WindowScenes.openWindow("settings")
                }
                ToolbarButton {
                    id: infoButton
                    objectName: "infoButton"
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    symbol: "info.circle"
                    toolTip: Localized.text("sidebar.info", "Información")
                    onClicked: root.showInfoSheet = true
                }
            }
        }
    }

    function moveSelection(step) {
        const items = NavigationState.sidebarItems
        let index = sectionList.currentIndex
        index = index < 0 ? (step > 0 ? 0 : items.length - 1)
                          : Math.max(0, Math.min(items.length - 1, index + step))
        NavigationState.sidebarSelection = items[index].id
    }

    // Screens on a NavigationStack keep room in their bars for the sidebar toggle.
    readonly property real barLeadingInset: columns.showsSidebar ? 0 : showSidebar.width + 4

    function maximumSidebarWidth() {
        // No fixed upper bound; only the detail column is kept usable.
        return Math.max(minimumSidebarWidth, root.width - 320)
    }

    // The split line, with a handle to resize the sidebar or drag it closed.
    Rectangle {
        id: splitLine
        anchors.left: sidebar.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: sidebar.visible ? 1 : 0
        color: Theme.dark ? Qt.rgba(0, 0, 0, 0.6) : Qt.rgba(0, 0, 0, 0.14)
        z: 2

        MouseArea {
            id: splitter
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.top: parent.top
            anchors.bottom: parent.bottom
            width: 7
            enabled: sidebar.visible
            cursorShape: Qt.SplitHCursor
            preventStealing: true
            property real startX: 0
            property real startWidth: 0
            onPressed: mouse => {
                startX = mapToItem(root, mouse.x, 0).x
                startWidth = sidebar.width
            }
            onPositionChanged: mouse => {
                const proposed = startWidth + mapToItem(root, mouse.x, 0).x - startX
                if (proposed < root.minimumSidebarWidth - 70) {
                    columns.value = ColumnVisibility.DetailOnly
                    return
                }
                if (!columns.showsSidebar)
                    columns.value = ColumnVisibility.All
                root.sidebarWidth = Math.max(root.minimumSidebarWidth, Math.min(root.maximumSidebarWidth(), proposed))
            }
        }
    }

    // With the sidebar hidden, dragging from the window's left edge brings it back.
    MouseArea {
        id: edgeHandle
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: 4
        z: 3
        enabled: !columns.showsSidebar
        cursorShape: Qt.SplitHCursor
        onPositionChanged: mouse => {
            if (mouse.x > 40)
                columns.value = ColumnVisibility.All
        }
    }

    // Detail ---------------------------------------------------------------------------------

    Item {
        id: detail
        objectName: "detail"
        anchors.left: splitLine.right
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom

        Rectangle {
            anchors.fill: parent
            color: Theme.background
        }

        SectionSlot {
            id: latestSlot
            objectName: "latestSlot"
            anchors.fill: parent
            section: "sismos"
            kept: true
            prebuild: root.firstFrameShown
            canBuild: root.repository !== null
            barLeadingInset: root.barLeadingInset
            sourceComponent: latestComponent
        }
        SectionSlot {
            id: historySlot
            objectName: "historySlot"
            anchors.fill: parent
            section: "historico"
            barLeadingInset: root.barLeadingInset
            sourceComponent: historicoComponent
        }
        SectionSlot {
            id: mapSlot
            objectName: "mapSlot"
            anchors.fill: parent
            section: "mapa"
            kept: true
            prebuild: root.firstFrameShown
            canBuild: root.repository !== null
            barLeadingInset: root.barLeadingInset
            sourceComponent: mapComponent
        }
        SectionSlot {
            id: statsSlot
            objectName: "statsSlot"
            anchors.fill: parent
            section: "stats"
            kept: true
            barLeadingInset: root.barLeadingInset
            sourceComponent: statsComponent
        }
        SectionSlot {
            id: placeholderSlot
            anchors.fill: parent
            section: ""
            sourceComponent: placeholderComponent
        }

        // With the sidebar hidden, its toggle sits at the leading edge of the detail column's
        // bar; the screen's bar keeps that room free, so the button covers nothing.
        ToolbarButton {
            id: showSidebar
            objectName: "showSidebarButton"
            x: 12
            y: (Theme.toolbarHeight - height) / 2
            visible: !columns.showsSidebar
            symbol: "sidebar.left"
            toolTip: Localized.text("menu.toggleSidebar", "Mostrar/Ocultar barra lateral")
            onClicked: columns.toggle()
        }
    }

    Component {
        id: latestComponent
        EarthquakeListView {
            objectName: "latestSection"
            repository: root.repository
            context: root.context
        }
    }
    Component {
        id: historicoComponent
        HistoricoView { context: root.context }
    }
    Component {
        id: mapComponent
        MapSection {
            objectName: "mapSection"
            repository: root.repository
            context: root.context
        }
    }
    Component {
        id: statsComponent
        StatsSection {
            objectName: "statsSection"
            context: root.context
        }
    }
    Component {
        id: placeholderComponent
        Item {
            objectName: "selectSectionPlaceholder"
            Rectangle {
                anchors.fill: parent
                color: Theme.background
            }
            EmptyStateView {
                anchors.fill: parent
                symbol: "sidebar.left"
                title: Localized.text("mac.selectSection", "Select a section")
            }
        }
    }

    // Information sheet --------------------------------------------------------------------

    Sheet {
        id: infoSheet
        objectName: "infoSheet"
        padding: 0
        onClosed: root.showInfoSheet = false

        Item {
            implicitWidth: 520
            implicitHeight: 600

            // Built when the sheet opens, destroyed once it has closed.
            Loader {
                id: infoView
                objectName: "infoViewLoader"
                anchors.fill: parent
                clip: true
                active: infoSheet.visible
                sourceComponent: InfoView {}
            }

            ToolbarButton {
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.margins: 12
                symbol: "xmark"
                symbolSize: 12
                toolTip: Localized.text("sheet.close", "Cerrar")
                onClicked: infoSheet.close()
            }
        }
    }

    onShowInfoSheetChanged: {
        if (showInfoSheet && _window)
            infoSheet.open()
        else if (!showInfoSheet)
            infoSheet.close()
    }
    // A sheet asked for before the view is in a window opens once it is.
    readonly property var _window: Window.window
    on_WindowChanged: if (showInfoSheet && _window) Qt.callLater(infoSheet.open)
}
