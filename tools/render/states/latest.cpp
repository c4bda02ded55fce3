// The latest-events screen in each of its states, and the event detail.
#include "RenderRegistry.h"
#include "StillSource.h"

#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/UserDefaults.h"
#include "Repositories/EarthquakeRepository.h"
#include "ViewModels/EarthquakeItem.h"

#include <QQmlEngine>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

UserDefaults &renderDefaults()
{
    static QTemporaryDir dir;
    static UserDefaults defaults(dir.filePath(QStringLiteral("render.conf")));
    return defaults;
}

ModelContainer *makeStore(QQmlEngine &engine, int events)
{
    auto opened = ModelContainer::open({QString(), true});
    ModelContainer *store = opened->release();
    store->setParent(&engine);
    const QStringList places = {
        QStringLiteral("NW LA PALMA"), QStringLiteral("SW EL HIERRO"), QStringLiteral("ATLÁNTICO-CANARIAS"),
        QStringLiteral("NE TENERIFE"), QStringLiteral("S GRAN CANARIA"), QStringLiteral("FUENCALIENTE DE LA PALMA.IPA"),
        QStringLiteral("E LANZAROTE"), QStringLiteral("VALLEHERMOSO.IGO"), QStringLiteral("<b>W</b> LA GOMERA &amp; MAR"),
        QStringLiteral("GÜÍMAR.ITF"), QStringLiteral("N FUERTEVENTURA"), QStringLiteral("TAZACORTE.IPA"),
    };
    QRandomGenerator rng(7);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < events; ++i) {
        // Dense in the last day, then thinner over the month.
        const qint64 secondsAgo = i < 8 ? 600 + i * 5200 : i < 20 ? 86400 + (i - 8) * 40000 : 7 * 86400 + (i - 20) * 52000;
        const double magnitude = i == 2 ? 4.6 : i == 5 ? 3.4 : std::round((0.8 + rng.generateDouble() * 2.6) * 10) / 10;
        store->mainContext()->insert(std::make_shared<Earthquake>(
            QStringLiteral("es2026ren%1").arg(i), now.addSecs(-secondsAgo), 27.7 + rng.generateDouble() * 1.3,
            -18.0 + rng.generateDouble() * 4.5, std::round(rng.generateDouble() * 300) / 10, magnitude,
            QStringLiteral("mbLg"), magnitude >= 2.5 ? std::optional<QString>(QStringLiteral("II-III")) : std::nullopt,
            places.at(i % places.size()), now));
    }
    store->mainContext()->save();
    return store;
}

EarthquakeRepository *makeRepository(QQmlEngine &engine, ModelContainer *store, bool failAtOnce, int tickMs = 1000)
{
    renderDefaults().setDate(EarthquakeRepository::lastUpdatedKey, QDateTime::currentDateTimeUtc().addSecs(-7 * 60));
    EarthquakeRepository::Environment env;
    env.defaults = &renderDefaults();
    env.cooldownTickMs = tickMs;
    auto *repository = new EarthquakeRepository(store->mainContext(), std::make_unique<StillSource>(failAtOnce), env);
    repository->setParent(&engine);
    return repository;
}

const QUrl kList(QStringLiteral("qrc:/Sismovantaquelorin/EarthquakeListView.qml"));
const QUrl kDetail(QStringLiteral("qrc:/Sismovantaquelorin/EarthquakeDetailView.qml"));
const QSize kSize(900, 640);

RenderState listState(const char *name, int events, bool failAtOnce, std::function<void(EarthquakeRepository *)> then = {},
                      QVariantMap extra = {}, int tickMs = 1000)
{
    return {QString::fromLatin1(name), kList, kSize, false, extra,
            [=](QQmlEngine &engine, QVariantMap &properties) {
                ModelContainer *store = makeStore(engine, events);
                EarthquakeRepository *repository = makeRepository(engine, store, failAtOnce, tickMs);
                properties.insert(QStringLiteral("repository"), QVariant::fromValue(repository));
                properties.insert(QStringLiteral("context"), QVariant::fromValue(store->mainContext()));
                if (then)
                    then(repository);
            }};
}

RenderState detailState(const char *name, bool withIntensity)
{
    return {QString::fromLatin1(name), kDetail, QSize(700, 640), false, {},
            [=](QQmlEngine &engine, QVariantMap &properties) {
                ModelContainer *store = makeStore(engine, 60);
                auto shown = std::make_shared<Earthquake>(
                    QStringLiteral("es2026shown"), QDateTime::currentDateTimeUtc().addSecs(-1800), 28.45, -14.02, 12.0,
                    3.1, QStringLiteral("mbLg"),
                    withIntensity ? std::optional<QString>(QStringLiteral("III")) : std::nullopt,
                    QStringLiteral("NW LANZAROTE"));
                store->mainContext()->insert(shown);
                store->mainContext()->save();
                properties.insert(QStringLiteral("earthquake"), QVariant::fromValue(EarthquakeItem(shown)));
                properties.insert(QStringLiteral("context"), QVariant::fromValue(store->mainContext()));
            }};
}

const bool registered =
    RenderRegistry::addLightAndDark(listState("latest-loading", 0, false, [](EarthquakeRepository *r) { r->refresh(false); }))
    && RenderRegistry::addLightAndDark(listState("latest-empty", 0, true))
    && RenderRegistry::addLightAndDark(listState("latest-noresults", 40, true, {},
                                                 {{QStringLiteral("initialSearch"), QStringLiteral("zzzz")}}))
    && RenderRegistry::addLightAndDark(listState("latest-list", 40, true))
    && RenderRegistry::addLightAndDark(listState("latest-filter-popover", 40, true, {},
                                                 {{QStringLiteral("showFilterPopover"), true}}))
    && RenderRegistry::addLightAndDark(listState("latest-refreshing", 40, false, [](EarthquakeRepository *r) { r->refresh(false); }))
    && RenderRegistry::addLightAndDark(listState("latest-cooldown", 40, true, [](EarthquakeRepository *r) { r->refresh(true); },
                                                 {}, 14))
    && RenderRegistry::addLightAndDark(detailState("detail-with-intensity", true))
    && RenderRegistry::addLightAndDark(detailState("detail-without-intensity", false));

}  // namespace
