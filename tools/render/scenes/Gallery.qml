import QtQuick
import Sismovantaquelorin

// The shared pieces side by side: text styles, colours, controls, states, badges.
Rectangle {
    id: root
    color: Theme.windowBackground

    component Caption: Text {
        textFormat: Text.PlainText
        font: Theme.weighted(Theme.subheadline, Font.DemiBold)
        color: Theme.secondaryLabel
    }
    component Card: Rectangle {
        radius: 10
        color: Theme.secondaryGroupedBackground
        border.width: 1
        border.color: Theme.separator
    }

    NavigationBar {
        id: bar
        anchors.left: parent.left
        anchors.right: parent.right
        title: "Sismos"
        subtitle: "Actualizado hace 3 min"
        showsBackButton: true
        trailing: [
            ProgressView { width: 28; height: 28; indicatorSize: 16; running: false },
            ToolbarButton { symbol: "arrow.clockwise" },
            ToolbarButton { symbol: "line.3.horizontal.decrease.circle" },
            SearchField { anchors.verticalCenter: parent.verticalCenter; width: 200; placeholderText: "Buscar por localización" }
        ]
    }

    Row {
        anchors.top: bar.bottom
        anchors.topMargin: 16
        anchors.left: parent.left
        anchors.leftMargin: 16
        spacing: 16

        // Text styles and colours.
        Card {
            width: 300
            height: 680
            Column {
                anchors.fill: parent
                anchors.margins: 14
                spacing: 6
                Caption { text: "Text styles" }
                Repeater {
                    model: [
                        ["Title", Theme.title], ["Title 2", Theme.title2], ["Title 3", Theme.title3],
                        ["Headline", Theme.headline], ["Body", Theme.body], ["Callout", Theme.callout],
                        ["Subheadline", Theme.subheadline], ["Caption", Theme.caption]
                    ]
                    Text {
                        required property var modelData
                        text: modelData[0] + " " + modelData[1].pixelSize
                        textFormat: Text.PlainText
                        font: modelData[1]
                        color: Theme.label
                    }
                }
                Text { text: "Secondary label"; textFormat: Text.PlainText; font: Theme.body; color: Theme.secondaryLabel }
                Text { text: "Tertiary label"; textFormat: Text.PlainText; font: Theme.body; color: Theme.tertiaryLabel }
                Item { width: 1; height: 6 }
                Caption { text: "Colours" }
                Flow {
                    width: parent.width
                    spacing: 6
                    Repeater {
                        model: [Theme.red, Theme.orange, Theme.yellow, Theme.green, Theme.blue, Theme.gray,
                                Theme.accent, Theme.windowBackground, Theme.background, Theme.sidebar,
                                Theme.control, Theme.groupedBackground, Theme.popoverBackground, Theme.fill]
                        Rectangle {
                            required property color modelData
                            width: 28; height: 28; radius: 6
                            color: modelData
                            border.width: 1
                            border.color: Theme.separator
                        }
                    }
                }
                Item { width: 1; height: 6 }
                Caption { text: "Labels" }
                SymbolLabel { symbol: "bell.fill"; text: "Notifications" }
                SymbolLabel { symbol: "location.fill"; text: "By proximity" }
                SymbolLabel { symbol: "waveform.badge.exclamationmark"; text: "Swarm detection" }
                SymbolLabel { symbol: "exclamationmark.triangle.fill"; text: "Notifications are off"; color: Theme.orange; font: Theme.callout }
            }
        }

        Column {
            spacing: 16

            // Badges.
            Card {
                width: 320
                height: 120
                Column {
                    anchors.fill: parent
                    anchors.margins: 14
                    spacing: 10
                    Caption { text: "Magnitude badges" }
                    Flow {
                        width: parent.width
                        spacing: 8
                        Repeater {
                            model: [0.5, 1.96, 2.0, 3.1, 4.0, 4.5, 6.2, 7.1, 10.2]
                            MagnitudeBadge { required property real modelData; magnitude: modelData }
                        }
                    }
                }
            }

            // Controls.
            Card {
                width: 320
                height: 190
                Column {
                    anchors.fill: parent
                    anchors.margins: 14
                    spacing: 10
                    Caption { text: "Controls" }
                    SearchField { width: parent.width; placeholderText: "Buscar por localización" }
                    SearchField { width: parent.width; text: "tenerife" }
                    Row {
                        spacing: 6
                        ToolbarButton { symbol: "sidebar.left" }
                        ToolbarButton { symbol: "gear" }
                        ToolbarButton { symbol: "info.circle" }
                        ToolbarButton { symbol: "arrow.clockwise"; enabled: false }
                        ToolbarButton { symbol: "xmark.circle.fill"; symbolColor: Theme.secondaryLabel }
                    }
                    Row {
                        spacing: 12
                        ProgressView { running: false }
                        ProgressView { running: false; indicatorSize: 14 }
                    }
                }
            }

            // Loading.
            Card {
                width: 320
                height: 130
                ProgressView {
                    anchors.fill: parent
                    running: false
                    label: "Cargando terremotos…"
                }
            }

            Card {
                width: 320
                height: 196
                Column {
                    anchors.fill: parent
                    anchors.margins: 14
                    Caption { text: "Section and rows" }
                    SectionHeader { width: parent.width; leftPadding: 0; text: "Last 24h – 7 mar 2026" }
                    EarthquakeRowView {
                        width: parent.width
                        magnitude: 3.1; location: "NW LANZAROTE"; date: new Date(Date.UTC(2026, 2, 7, 14, 5)); depth: 12
                    }
                    Divider { width: parent.width }
                    EarthquakeRowView {
                        width: parent.width
                        magnitude: 4.5; location: "SW HIERRO"; date: new Date(Date.UTC(2026, 2, 7, 12, 5)); depth: 8
                    }
                    Divider { width: parent.width }
                    EarthquakeRowView {
                        width: parent.width
                        magnitude: 1.96; location: "NE TENERIFE"; date: new Date(Date.UTC(2026, 2, 7, 11, 5)); depth: 20
                    }
                }
            }
        }

        Column {
            spacing: 16
            Card {
                width: 320
                height: 300
                EmptyStateView {
                    anchors.fill: parent
                    symbol: "waveform.path.ecg"
                    title: "Sin datos"
                    description: "No hay terremotos registrados. Tira hacia abajo para actualizar."
                }
            }
            Card {
                width: 320
                height: 364
                EmptyStateView {
                    anchors.fill: parent
                    symbol: "magnifyingglass"
                    title: "Sin resultados"
                    description: "Ningún terremoto coincide con los filtros aplicados."
                }
            }
        }
    }
}
