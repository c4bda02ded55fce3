import QtQuick
import QtQuick.Controls
import Sismovantaquelorin
import Sismovantaquelorin.Core

// The statistics section: activity per period, the strongest events, the magnitude
// distribution, the most active zones and the depth analysis, over every stored event. The
// figures are computed when the screen is made and after each save that adds events; they keep
// the instant of that computation while the screen is open.
NavigationStack {
    id: root

    property ModelContext context: Store.mainContext
    property bool showSettings: false   // attached; nothing opens it
    property alias pinnedNow: statsModel.pinnedNow   // renders and tests pin the clock
    property bool startAtEnd: false                  // renders show the end of the content

    readonly property StatsViewModel viewModel: StatsViewModel {
        id: statsModel
        context: root.context
    }

    Component.onCompleted: viewModel.update()

    // Back to the top of the figures, where a new screen starts.
    function scrollToTop() {
        scroller.contentY = scroller.originY
    }

    Connections {
        target: root.viewModel.snapshot
        function onChanged() { root.viewModel.update() }
    }

    initialItem: NavigationPage {
        id: page
        objectName: "statsPage"
        title: Localized.text("tab.estadisticas", "Estadísticas")

        EmptyStateView {
            objectName: "emptyState"
            anchors.fill: parent
            visible: !root.viewModel.hasEvents
            symbol: "chart.bar.xaxis"
            title: Localized.text("stats.empty.title", "Sin datos")
            description: Localized.text("stats.empty.description",
                                        "Las estadísticas aparecerán cuando haya terremotos registrados.")
        }

        Flickable {
            id: scroller
            objectName: "statsContent"
            anchors.fill: parent
            visible: root.viewModel.hasEvents
            contentWidth: width
            contentHeight: sections.implicitHeight + 40
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            Binding {
                when: root.startAtEnd
                target: scroller
                property: "contentY"
                value: Math.max(0, scroller.contentHeight - scroller.height)
            }

            Column {
                id: sections
                x: 16
                y: 20
                width: scroller.width - 32
                spacing: 20

                StatsSectionContainer {
                    objectName: "activitySection"
                    width: parent.width
                    title: Localized.text("stats.section.actividad", "Actividad Reciente")

                    Column {
                        width: parent.width
                        spacing: 10
                        Row {
                            spacing: 10
                            ActivityCountCard {
                                width: (parent.parent.width - 10) / 2
                                count: root.viewModel.countLastHour
                                label: Localized.text("stats.period.lastHour", "Última hora")
                            }
                            ActivityCountCard {
                                width: (parent.parent.width - 10) / 2
                                count: root.viewModel.countLast24h
                                label: Localized.text("stats.period.last24h", "Últimas 24h")
                            }
                        }
                        Row {
                            spacing: 10
                            ActivityCountCard {
                                width: (parent.parent.width - 10) / 2
                                count: root.viewModel.countLast7d
                                label: Localized.text("stats.period.last7d", "Últimos 7 días")
                            }
                            ActivityCountCard {
                                width: (parent.parent.width - 10) / 2
                                count: root.viewModel.countLast30d
                                label: Localized.text("stats.period.last30d", "Últimos 30 días")
                            }
                        }
                    }
                }

                StatsSectionContainer {
                    objectName: "peaksSection"
                    width: parent.width
                    title: Localized.text("stats.section.destacados", "Eventos Destacados")

                    PeakEventRow {
                        objectName: "peak24h"
                        width: parent.width
                        periodLabel: Localized.text("stats.destacados.24h", "Mayor en 24h")
                        event: root.viewModel.peakLast24h
                    }
                    Item {
                        width: parent.width
                        height: 13
                        Divider {
                            anchors.verticalCenter: parent.verticalCenter
                            width: parent.width
                        }
                    }
                    PeakEventRow {
                        objectName: "peak7d"
                        width: parent.width
                        periodLabel: Localized.text("stats.destacados.7d", "Mayor en 7 días")
                        event: root.viewModel.peakLast7d
                    }
                }

                StatsSectionContainer {
                    objectName: "distributionSection"
                    width: parent.width
                    title: Localized.text("stats.section.distribucion", "Distribución por Magnitud")

                    // One row per category, kept across updates so that their bars slide.
                    Repeater {
                        model: root.viewModel.magnitudeStats.length
                        MagnitudeBarRow {
                            required property int index
                            width: parent.width
                            stat: root.viewModel.magnitudeStats[index]
                        }
                    }
                }

                StatsSectionContainer {
                    objectName: "zonesSection"
                    width: parent.width
                    title: Localized.text("stats.section.zonas", "Zonas Más Activas")

                    Text {
                        objectName: "zonesNone"
                        visible: root.viewModel.topClusters.length === 0
                        width: parent.width
                        text: Localized.text("stats.zonas.none", "Sin datos suficientes")
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font: Theme.subheadline
                        color: Theme.label
                    }
                    Repeater {
                        model: root.viewModel.topClusters
                        Column {
                            id: zone
                            required property var modelData
                            required property int index
                            width: parent.width
                            spacing: 12
                            Divider {
                                objectName: "zoneDivider"
                                visible: zone.index > 0
                                x: 32
                                width: parent.width - 32
                            }
                            ClusterRow {
                                objectName: "zoneRow"
                                width: parent.width
                                rank: zone.index + 1
                                cluster: zone.modelData
                            }
                        }
                    }
                }

                StatsSectionContainer {
                    objectName: "depthSection"
                    width: parent.width
                    title: Localized.text("stats.section.profundidad", "Análisis de Profundidad")

                    Text {
                        visible: root.viewModel.depthStat === undefined || root.viewModel.depthStat === null
                        width: parent.width
                        text: Localized.text("stats.depth.none", "Sin datos")
                        textFormat: Text.PlainText
                        font: Theme.body
                        color: Theme.label
                    }
                    Column {
                        id: depth
                        readonly property var stat: root.viewModel.depthStat
                        readonly property bool hasStat: stat !== undefined && stat !== null
                        visible: hasStat
                        width: parent.width
                        spacing: 14

                        Row {
                            spacing: 4
                            Text {
                                id: averageDepth
                                objectName: "averageDepth"
                                text: depth.hasStat ? Formats.oneDecimal(depth.stat.averageDepth) : ""
                                textFormat: Text.PlainText
                                font: Theme.rounded(Theme.title2, Font.Bold)
                                color: Theme.label
                            }
                            Text {
                                y: averageDepth.baselineOffset - baselineOffset
                                text: Localized.text("stats.depth.avgUnit", "km de profundidad media")
                                textFormat: Text.PlainText
                                font: Theme.body
                                color: Theme.label
                            }
                        }
                        Column {
                            width: parent.width
                            spacing: 10
                            DepthBandRow {
                                width: parent.width
                                label: Localized.text("stats.depth.shallow", "Superficial")
                                detail: Localized.text("stats.depth.shallow.range", "< 30 km")
                                count: depth.hasStat ? depth.stat.shallowCount : 0
                                fraction: depth.hasStat ? depth.stat.shallowFraction : 0
                                color: Theme.blue
                            }
                            DepthBandRow {
                                width: parent.width
                                label: Localized.text("stats.depth.intermediate", "Intermedio")
                                detail: Localized.text("stats.depth.intermediate.range", "30 – 70 km")
                                count: depth.hasStat ? depth.stat.intermediateCount : 0
                                fraction: depth.hasStat ? depth.stat.intermediateFraction : 0
                                color: Theme.orange
                            }
                            DepthBandRow {
                                width: parent.width
                                label: Localized.text("stats.depth.deep", "Profundo")
                                detail: Localized.text("stats.depth.deep.range", "> 70 km")
                                count: depth.hasStat ? depth.stat.deepCount : 0
                                fraction: depth.hasStat ? depth.stat.deepFraction : 0
                                color: Theme.red
                            }
                        }
                    }
                }
            }
        }
    }
}
