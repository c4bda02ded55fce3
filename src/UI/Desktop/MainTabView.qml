import QtQuick
import QtQuick.Layouts
import Sismovantaquelorin.Core
import Sismovantaquelorin.Desktop

// The compact layout: three tabs (latest events, map, statistics) over one repository. No
// window shows it; it asks for notification permission on first launch as the main view does.
// A tab's screen is built the first time it is chosen and kept while the layout lives.
Item {
    id: root

    property ModelContext context: Store.mainContext
    readonly property EarthquakeRepository repository: owner.repository
    property int currentIndex: 0
    readonly property var tabs: [
        { id: "sismos", title: Localized.text("tab.sismos", "Sismos"), icon: "list.bullet.rectangle" },
        { id: "mapa", title: Localized.text("tab.mapa", "Mapa"), icon: "map" },
        { id: "estadisticas", title: Localized.text("tab.estadisticas", "Estadísticas"), icon: "chart.bar.xaxis" }
    ]
    readonly property alias tabContent: stack

    RepositoryOwner {
        id: owner
        context: root.context
    }

    Component.onCompleted: FirstLaunchPermission.requestNotificationPermissionOnFirstLaunch()

    Rectangle {
        anchors.fill: parent
        color: Theme.background
    }

    StackLayout {
        id: stack
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: tabBar.top
        currentIndex: root.currentIndex

        Loader {
            objectName: "tab_sismos"
            active: root.repository !== null && (root.currentIndex === 0 || item !== null)
            sourceComponent: Component {
                EarthquakeListView {
                    repository: root.repository
                    context: root.context
                }
            }
        }
        Loader {
            objectName: "tab_mapa"
            active: root.repository !== null && (root.currentIndex === 1 || item !== null)
            sourceComponent: Component {
                MapView {
                    repository: root.repository
                    context: root.context
                }
            }
        }
        Loader {
            objectName: "tab_estadisticas"
            active: root.currentIndex === 2 || item !== null
            sourceComponent: Component {
                StatsView { context: root.context }
            }
        }
    }

    Rectangle {
        id: tabBar
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 56
        color: Theme.windowBackground

        Divider {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
        }

        Row {
            anchors.fill: parent
            Repeater {
                model: root.tabs
                delegate: Item {
                    id: tab
                    required property var modelData
                    required property int index
                    readonly property bool selected: root.currentIndex === index
                    objectName: "tabButton_" + modelData.id
                    Accessible.role: Accessible.PageTab
                    Accessible.name: modelData.title
                    Accessible.selected: selected
                    Accessible.onPressAction: root.currentIndex = index
                    width: tabBar.width / root.tabs.length
                    height: tabBar.height

                    Column {
                        anchors.centerIn: parent
                        spacing: 3
                        SFSymbol {
                            anchors.horizontalCenter: parent.horizontalCenter
                            name: tab.modelData.icon
                            size: 20
                            color: tab.selected ? Theme.accent : Theme.secondaryLabel
                        }
                        Text {
                            anchors.horizontalCenter: parent.horizontalCenter
                            text: tab.modelData.title
                            textFormat: Text.PlainText
                            font: Theme.weighted(Theme.caption, Font.Medium)
                            color: tab.selected ? Theme.accent : Theme.secondaryLabel
                        }
                    }
                    MouseArea {
                        anchors.fill: parent
                        onClicked: root.currentIndex = tab.index
                    }
                }
            }
        }
    }
}
