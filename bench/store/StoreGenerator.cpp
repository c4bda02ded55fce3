#include "StoreGenerator.h"

#include "Persistence/ModelContainer.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <cstdio>
#include <sqlite3.h>

namespace StoreGenerator {

const QStringList &placeNames()
{
    static const QStringList names = [] {
        const QStringList places = {
            QStringLiteral("TENERIFE"), QStringLiteral("GRAN CANARIA"), QStringLiteral("LA PALMA"),
            QStringLiteral("EL HIERRO"), QStringLiteral("LA GOMERA"), QStringLiteral("LANZAROTE"),
            QStringLiteral("FUERTEVENTURA"), QStringLiteral("ATLÁNTICO-CANARIAS"), QStringLiteral("FUENCALIENTE DE LA PALMA"),
            QStringLiteral("TAZACORTE"), QStringLiteral("LOS LLANOS DE ARIDANE"), QStringLiteral("EL PASO"),
            QStringLiteral("FRONTERA"), QStringLiteral("VALVERDE"), QStringLiteral("LA RESTINGA"),
            QStringLiteral("ARICO"), QStringLiteral("GÜÍMAR"), QStringLiteral("CANDELARIA"), QStringLiteral("ADEJE"),
            QStringLiteral("LA OROTAVA"), QStringLiteral("ICOD DE LOS VINOS"), QStringLiteral("GARACHICO"),
            QStringLiteral("AGAETE"), QStringLiteral("GÁLDAR"), QStringLiteral("MOGÁN"), QStringLiteral("TEJEDA"),
            QStringLiteral("ARTENARA"), QStringLiteral("TÍAS"), QStringLiteral("YAIZA"), QStringLiteral("TINAJO"),
            QStringLiteral("HARÍA"), QStringLiteral("PÁJARA"), QStringLiteral("TUINEJE"), QStringLiteral("BETANCURIA"),
            QStringLiteral("VALLEHERMOSO"), QStringLiteral("HERMIGUA"), QStringLiteral("SAN SEBASTIÁN DE LA GOMERA"),
            QStringLiteral("SANTA CRUZ DE TENERIFE"), QStringLiteral("LAS PALMAS DE GRAN CANARIA"),
            QStringLiteral("PUERTO DEL ROSARIO"),
        };
        const QStringList directions = {QString(), QStringLiteral("N "), QStringLiteral("NE "), QStringLiteral("E "),
                                        QStringLiteral("SE "), QStringLiteral("S "), QStringLiteral("SW "),
                                        QStringLiteral("W "), QStringLiteral("NW ")};
        const QStringList suffixes = {QString(), QStringLiteral(".IPA"), QStringLiteral(".ITF"), QStringLiteral(".IGC"),
                                      QStringLiteral(".IHI"), QStringLiteral(".ILZ")};
        QStringList out;
        for (const QString &p : places)
            for (const QString &d : directions)
                for (const QString &s : suffixes)
                    out << d + p + s;
        return out;  // 40 x 9 x 6 = 2160
    }();
    return names;
}

bool generate(const QString &path, const Options &o, QString *error)
{
    {
        auto created = ModelContainer::open({path, false});  // the application's own schema
        if (!created) {
            if (error)
                *error = created.error().description;
            return false;
        }
    }
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return false;
    }
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT OR IGNORE INTO Earthquake (eventID, date, latitude, longitude, depth, magnitude, "
                       "magnitudeType, maxIntensity, location, fetchedAt) VALUES (?,?,?,?,?,?,?,?,?,?)",
                       -1, &st, nullptr);
    QRandomGenerator rng(o.seed);
    const qint64 newest = o.newestMs ? o.newestMs : QDateTime::currentMSecsSinceEpoch();
    const qint64 thirtyDays = 30LL * 86400 * 1000;
    const qint64 span = qint64(o.years) * 365 * 86400 * 1000;
    const QStringList &names = placeNames();
    QList<QByteArray> utf8Names;
    for (const QString &n : names)
        utf8Names << n.toUtf8();
    const char *types[] = {"mbLg", "mbLg", "mbLg", "Mw", "mb"};
    const char *intensities[] = {"I", "II", "II-III", "III", "IV"};
    for (int i = 0; i < o.count; ++i) {
        const bool recent = i < o.recentCount;
        const qint64 age = recent ? qint64(rng.bounded(double(thirtyDays) - 1000))
                                  : thirtyDays + qint64(rng.bounded(double(span)));
        const qint64 date = newest - age;
        const QByteArray id = "es" + QByteArray::number(2010 + i % 16) + "gen" + QByteArray::number(i);
        // Magnitudes 0-5, most of them small, as in the catalogue.
        const double u = rng.generateDouble();
        const double magnitude = std::min(5.0, std::round(-std::log(1.0 - u) * 0.8 * 10.0) / 10.0 + 0.3);
        sqlite3_bind_text(st, 1, id.constData(), int(id.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 2, date);
        sqlite3_bind_double(st, 3, 27.6 + rng.generateDouble() * 1.8);
        sqlite3_bind_double(st, 4, -18.2 + rng.generateDouble() * 4.8);
        sqlite3_bind_double(st, 5, std::round(rng.generateDouble() * 400.0) / 10.0);
        sqlite3_bind_double(st, 6, magnitude);
        sqlite3_bind_text(st, 7, types[rng.bounded(5)], -1, SQLITE_STATIC);
        if (magnitude >= 2.5)
            sqlite3_bind_text(st, 8, intensities[rng.bounded(5)], -1, SQLITE_STATIC);
        else
            sqlite3_bind_null(st, 8);
        const QByteArray &name = utf8Names.at(rng.bounded(int(utf8Names.size())));
        sqlite3_bind_text(st, 9, name.constData(), int(name.size()), SQLITE_STATIC);
        sqlite3_bind_int64(st, 10, date + 600000);
        if (sqlite3_step(st) != SQLITE_DONE && error)
            *error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok && error)
        *error = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return ok;
}

bool generateMillion(const QString &path, qint64 newestMs)
{
    Options options;
    options.count = 1000000;
    options.recentCount = 20000;
    options.newestMs = newestMs;
    QString error;
    if (generate(path, options, &error))
        return true;
    std::fprintf(stderr, "cannot generate the store: %s\n", qPrintable(error));
    return false;
}

}  // namespace StoreGenerator
