// The main window: each section, the empty selection, the sidebar hidden and the information
// sheet, at the default window size and at a small one. Runs on the in-memory sample store
// with a refused catalogue address and test-mode settings, so nothing of the user's is touched.
#include "RenderRegistry.h"

#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"

#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QStandardPaths>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_DesktopPlugin)

namespace {

// An in-memory store with a month of events, mostly small, a few felt.
ModelContainer *sampleStore(QQmlEngine &engine)
{
    ModelContainer *store = ModelContainer::open({QString(), true})->release();
    store->setParent(&engine);
    const QStringList places = {
        QStringLiteral("SW EL HIERRO"), QStringLiteral("NW LA PALMA"), QStringLiteral("ATLÁNTICO-CANARIAS"),
        QStringLiteral("NE TENERIFE"), QStringLiteral("S GRAN CANARIA"), QStringLiteral("E LANZAROTE"),
        QStringLiteral("FUENCALIENTE DE LA PALMA.IPA"), QStringLiteral("GÜÍMAR.ITF"), QStringLiteral("N FUERTEVENTURA"),
    };
    const double magnitudes[] = {1.4, 2.1, 3.6, 1.8, 0.9, 2.7, 1.2, 4.3, 1.6, 2.2, 1.1, 3.0};
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < 48; ++i) {
        const qint64 secondsAgo = i < 9 ? 900 + i * 8400 : i < 24 ? 86400 + (i - 9) * 36000 : 7 * 86400 + (i - 24) * 78000;
        const double magnitude = magnitudes[i % 12];
        store->mainContext()->insert(std::make_shared<Earthquake>(
            QStringLiteral("es2026shell%1").arg(i), now.addSecs(-secondsAgo), 27.6 + (i * 37 % 140) / 100.0,
            -18.1 + (i * 53 % 460) / 100.0, 4.0 + (i * 29 % 260) / 10.0, magnitude, QStringLiteral("mbLg"),
            magnitude >= 2.5 ? std::optional<QString>(QStringLiteral("II-III")) : std::nullopt,
            places.at(i % places.size()), now));
    }
    store->mainContext()->save();
    return store;
}

void isolate(QQmlEngine &engine, QVariantMap &properties)
{
    QStandardPaths::setTestModeEnabled(true);
    qputenv("SISMOVANTAQUELORIN_CATALOGUE_URL", "http://127.0.0.1:9/get10dias");
    properties.insert(QStringLiteral("context"), QVariant::fromValue(sampleStore(engine)->mainContext()));
}

// Light and dark; the scene also sets the appearance itself, before its first frame.
bool addWindow(const QString &name, QSize size, QVariantMap properties)
{
    const QUrl scene(QStringLiteral("qrc:/render/scenes/MainWindowScene.qml"));
    bool ok = true;
    for (const bool dark : {false, true}) {
        QVariantMap p = properties;
        p.insert(QStringLiteral("dark"), dark);
        ok = ok && RenderRegistry::add({name + (dark ? QStringLiteral("-dark") : QStringLiteral("-light")), scene, size,
                                        dark, p, isolate});
    }
    return ok;
}

bool registerAll()
{
    const QSize large(1100, 720);
    const QSize small(760, 520);
    bool ok = true;
    for (const char *section : {"sismos", "historico", "mapa", "stats"}) {
        const QString s = QString::fromLatin1(section);
        ok = ok && addWindow(QStringLiteral("shell-main-") + s, large, {{QStringLiteral("section"), s}});
    }
    ok = ok && addWindow(QStringLiteral("shell-main-none"), large, {{QStringLiteral("section"), QString()}});
    ok = ok && addWindow(QStringLiteral("shell-main-sidebar-hidden"), large,
                         {{QStringLiteral("section"), QStringLiteral("sismos")},
                          {QStringLiteral("sidebarHidden"), true}});
    ok = ok && addWindow(QStringLiteral("shell-main-info"), large,
                         {{QStringLiteral("section"), QStringLiteral("sismos")}, {QStringLiteral("infoSheet"), true}});
    ok = ok && addWindow(QStringLiteral("shell-menu-navegar"), large,
                         {{QStringLiteral("section"), QStringLiteral("mapa")}, {QStringLiteral("openMenu"), 2}});
    ok = ok && addWindow(QStringLiteral("shell-small-sismos"), small, {{QStringLiteral("section"), QStringLiteral("sismos")}});
    ok = ok && addWindow(QStringLiteral("shell-small-mapa"), small, {{QStringLiteral("section"), QStringLiteral("mapa")}});
    ok = ok && addWindow(QStringLiteral("shell-small-sidebar-hidden"), small,
                         {{QStringLiteral("section"), QStringLiteral("stats")}, {QStringLiteral("sidebarHidden"), true}});
    return ok;
}

const bool registered = registerAll();

}  // namespace
