// The statistics screen: empty, full (top and end), nothing in the last week, two zones with
// long names, and narrow. "Now" is pinned so that every render reads the same.
#include "RenderRegistry.h"

#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"

#include <QQmlEngine>
#include <QRandomGenerator>
#include <cmath>

namespace {

const QDateTime kNow(QDate(2026, 3, 20), QTime(12, 0), Qt::UTC);
const QUrl kStats(QStringLiteral("qrc:/Sismovantaquelorin/StatsView.qml"));
const QSize kSize(900, 720);

struct Place {
    const char *name;
    double latitude, longitude;
};

enum class Kind { Empty, Full, NothingThisWeek, TwoZones };

ModelContainer *makeStore(QQmlEngine &engine, Kind kind)
{
    auto opened = ModelContainer::open({QString(), true});
    ModelContainer *store = opened->release();
    store->setParent(&engine);
    const QList<Place> places = kind == Kind::TwoZones
        // Cell centres: the spread of ±0.15° keeps every event in its place's cell.
        ? QList<Place>{{"ATLÁNTICO-CANARIAS ENTRE TENERIFE Y GRAN CANARIA, AL NORTE DE LA CUENCA", 28.5, -16.0},
                       {"FUENCALIENTE DE LA PALMA Y ALREDEDORES DEL VOLCÁN TAJOGAITE.IPA", 28.5, -18.0}}
        : QList<Place>{{"SW EL HIERRO", 27.7, -18.1},           {"FUENCALIENTE DE LA PALMA.IPA", 28.5, -17.8},
                       {"ATLÁNTICO-CANARIAS", 28.2, -15.8},     {"<b>W</b> LA GOMERA &amp; MAR", 28.1, -17.3},
                       {"NE TENERIFE", 28.5, -16.2},            {"E LANZAROTE", 29.0, -13.4},
                       {"S GRAN CANARIA", 27.8, -15.6}};
    const int count = kind == Kind::Empty ? 0 : kind == Kind::TwoZones ? 9 : 140;
    QRandomGenerator rng(11);
    for (int i = 0; i < count; ++i) {
        // Skewed towards the first places, so that the zones differ in size.
        const int p = int(std::pow(rng.generateDouble(), 1.6) * places.size());
        const Place &place = places.at(p);
        qint64 secondsAgo = qint64(std::pow(rng.generateDouble(), 2.0) * 40 * 86400);
        if (kind == Kind::NothingThisWeek)
            secondsAgo += 8 * 86400;
        const double magnitude = std::round((0.6 + std::pow(rng.generateDouble(), 2.5) * 4.2) * 10) / 10;
        const double depth = std::round(std::pow(rng.generateDouble(), 1.8) * 900) / 10;
        store->mainContext()->insert(std::make_shared<Earthquake>(
            QStringLiteral("es2026st%1").arg(i), kNow.addSecs(-secondsAgo), place.latitude + rng.bounded(0.3) - 0.15,
            place.longitude + rng.bounded(0.3) - 0.15, depth, magnitude, QStringLiteral("mbLg"), std::nullopt,
            QString::fromUtf8(place.name), kNow));
    }
    if (count > 0)
        store->mainContext()->save();
    return store;
}

RenderState statsState(const char *name, Kind kind, QSize size = kSize, QVariantMap extra = {})
{
    extra.insert(QStringLiteral("pinnedNow"), kNow);
    return {QString::fromLatin1(name), kStats, size, false, extra,
            [=](QQmlEngine &engine, QVariantMap &properties) {
                properties.insert(QStringLiteral("context"), QVariant::fromValue(makeStore(engine, kind)->mainContext()));
            }};
}

const bool registered =
    RenderRegistry::addLightAndDark(statsState("stats-empty", Kind::Empty))
    && RenderRegistry::addLightAndDark(statsState("stats-full", Kind::Full))
    && RenderRegistry::addLightAndDark(statsState("stats-full-end", Kind::Full, kSize, {{QStringLiteral("startAtEnd"), true}}))
    && RenderRegistry::addLightAndDark(statsState("stats-nothing-this-week", Kind::NothingThisWeek))
    && RenderRegistry::addLightAndDark(statsState("stats-two-zones", Kind::TwoZones, QSize(640, 720)))
    && RenderRegistry::addLightAndDark(statsState("stats-two-zones-end", Kind::TwoZones, QSize(640, 720),
                                                  {{QStringLiteral("startAtEnd"), true}}))
    && RenderRegistry::addLightAndDark(statsState("stats-narrow", Kind::Full, QSize(380, 720)));

}  // namespace
