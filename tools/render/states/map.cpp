// The map screen: empty, with markers and the ripple, a selection with its callout (also over
// markers), the newest selected, a long place name, the filter popover, a filter hiding the
// selection, loading.
#include "RenderRegistry.h"
#include "StillSource.h"

#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/UserDefaults.h"
#include "Repositories/EarthquakeRepository.h"
#include "ViewModels/MapEarthquakesModel.h"
#include "ViewModels/MapViewModel.h"

#include <QQmlEngine>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

UserDefaults &mapDefaults()
{
    static QTemporaryDir dir;
    static UserDefaults defaults(dir.filePath(QStringLiteral("render-map.conf")));
    return defaults;
}

const QString kLongPlace = QStringLiteral(
    "ATLÁNTICO-CANARIAS, AL NOROESTE DE LA ISLA DE LA PALMA, FRENTE A LA COSTA DE GARAFÍA Y BARLOVENTO, "
    "EN AGUAS PROFUNDAS <b>SIN</b> POBLACIONES CERCANAS");

// Events clustered where the islands' seismicity is, over the last month; the newest is a
// 2.4 south of Tenerife, the strongest a 4.6 between Tenerife and Gran Canaria.
ModelContainer *makeStore(QQmlEngine &engine, int events)
{
    auto opened = ModelContainer::open({QString(), true});
    ModelContainer *store = opened->release();
    store->setParent(&engine);
    struct Cluster { double lat, lon, sigma; const char *place; };
    const Cluster clusters[] = {{28.05, -16.1, 0.35, "S TENERIFE"}, {27.6, -18.1, 0.3, "SW EL HIERRO"},
                                {28.7, -18.0, 0.3, "NW LA PALMA"}, {27.85, -15.3, 0.35, "SE GRAN CANARIA"},
                                {28.4, -16.9, 0.3, "W TENERIFE"}, {29.2, -13.9, 0.4, "N LANZAROTE"},
                                {28.5, -15.2, 0.5, "ATLÁNTICO-CANARIAS"}, {27.4, -16.5, 0.6, "S LA GOMERA"}};
    QRandomGenerator rng(11);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < events; ++i) {
        const Cluster &c = clusters[rng.bounded(int(std::size(clusters)))];
        double magnitude = std::round((0.5 + 2.5 * rng.generateDouble() * rng.generateDouble()) * 10) / 10;
        double lat = c.lat + (rng.generateDouble() * 2 - 1) * c.sigma;
        double lon = c.lon + (rng.generateDouble() * 2 - 1) * c.sigma;
        QString place = QString::fromUtf8(c.place);
        QString id = QStringLiteral("es2026map%1").arg(i, 4, 10, QLatin1Char('0'));
        const qint64 secondsAgo = 1200 + qint64(i) * 30 * 86400 / std::max(1, events);
        if (i == 0) {
            magnitude = 2.4, lat = 27.95, lon = -16.55;
            place = QStringLiteral("S TENERIFE");
        } else if (i == 3) {
            magnitude = 4.6, lat = 28.2, lon = -15.95, id = QStringLiteral("es2026strong");
            place = QStringLiteral("CANAL TENERIFE-GRAN CANARIA");
        } else if (i == 7) {
            magnitude = 3.1, lat = 28.85, lon = -17.9, id = QStringLiteral("es2026long");
            place = kLongPlace;
        }
        store->mainContext()->insert(std::make_shared<Earthquake>(
            id, now.addSecs(-secondsAgo), lat, lon, std::round(rng.generateDouble() * 300) / 10 + 0.6, magnitude,
            i == 3 ? QStringLiteral("mbLg") : QStringLiteral("mb"), std::nullopt, place, now));
    }
    store->mainContext()->save();
    return store;
}

const QUrl kMap(QStringLiteral("qrc:/Sismovantaquelorin/MapView.qml"));

// Selects the event with this identifier, as a tap on its marker would.
void select(QObject *root, const QString &eventID)
{
    auto *model = root->property("mapModel").value<MapEarthquakesModel *>();
    auto *viewModel = root->property("viewModel").value<MapViewModel *>();
    for (qint64 row : model->shownRows()) {
        const EarthquakeItem item = model->earthquakeFor(QString::number(row));
        if (item.eventID() == eventID) {
            viewModel->setSelectedEarthquake(item);
            return;
        }
    }
}

RenderState mapState(const char *name, int events, bool loading, std::function<void(QObject *)> ready = {},
                     QVariantMap extra = {}, int settleMs = 1500)
{
    extra.insert(QStringLiteral("tilesEnabled"), false);
    extra.insert(QStringLiteral("animated"), false);
    RenderState state{QString::fromLatin1(name), kMap, QSize(1000, 680), false, extra,
                      [=](QQmlEngine &engine, QVariantMap &properties) {
                          ModelContainer *store = makeStore(engine, events);
                          EarthquakeRepository::Environment env;
                          env.defaults = &mapDefaults();
                          auto *repository = new EarthquakeRepository(
                              store->mainContext(), std::make_unique<StillSource>(!loading), env);
                          repository->setParent(&engine);
                          properties.insert(QStringLiteral("repository"), QVariant::fromValue(repository));
                          properties.insert(QStringLiteral("context"), QVariant::fromValue(store->mainContext()));
                      }};
    state.ready = std::move(ready);
    state.settleMs = settleMs;  // a software frame of the whole map takes a while: let transitions end
    return state;
}

void filters(QObject *root, const char *magnitude, const char *date)
{
    auto *viewModel = root->property("viewModel").value<MapViewModel *>();
    viewModel->setSelectedFilterRaw(QString::fromLatin1(magnitude));
    viewModel->setSelectedDateFilterRaw(QString::fromLatin1(date));
}

const bool registered =
    RenderRegistry::addLightAndDark(mapState("map-empty", 0, false))
    && RenderRegistry::addLightAndDark(mapState("map-markers", 300, false))
    && RenderRegistry::addLightAndDark(mapState("map-selected", 300, false,
                                                [](QObject *root) { select(root, QStringLiteral("es2026strong")); }))
    // Markers under the card: it covers them, and what lands on it stays on it.
    && RenderRegistry::addLightAndDark(mapState("map-callout-over-markers", 300, false,
                                                [](QObject *root) {
                                                    select(root, QStringLiteral("es2026strong"));
                                                    QMetaObject::invokeMethod(root->property("map").value<QObject *>(),
                                                                              "pan", Q_ARG(double, 0), Q_ARG(double, 180));
                                                }))
    && RenderRegistry::addLightAndDark(mapState("map-newest-selected", 300, false,
                                                [](QObject *root) { select(root, QStringLiteral("es2026map0000")); }))
    && RenderRegistry::addLightAndDark(mapState("map-long-place", 300, false,
                                                [](QObject *root) { select(root, QStringLiteral("es2026long")); }))
    && RenderRegistry::addLightAndDark({QStringLiteral("map-filter-popover"),
                                        QUrl(QStringLiteral("qrc:/render/scenes/MapFilterPopover.qml")), QSize(1000, 680)})
    && RenderRegistry::addLightAndDark(mapState("map-filter-hides-selected", 300, false,
                                                [](QObject *root) {
                                                    select(root, QStringLiteral("es2026strong"));
                                                    filters(root, "micro", "all");
                                                }))
    && RenderRegistry::addLightAndDark(mapState("map-loading", 300, true));

}  // namespace
