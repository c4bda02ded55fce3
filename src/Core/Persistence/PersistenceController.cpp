#include "PersistenceController.h"

#include "Models/Earthquake.h"
#include "Persistence/ModelContext.h"

#include <QStandardPaths>
#include <cstdio>
#include <cstdlib>

PersistenceController::PersistenceController(bool inMemory)
{
    ModelContainer::Configuration configuration;
    configuration.inMemory = inMemory;
    if (!inMemory)
        configuration.filePath = defaultStorePath();
    auto opened = ModelContainer::open(configuration);
    if (!opened) {
        // The one condition under which the application stops: without its store it has nothing to show.
        const QByteArray message = fatalMessage(opened.error()).toLocal8Bit();
        std::fprintf(stderr, "%s\n", message.constData());
        std::fflush(stderr);
        std::exit(EXIT_FAILURE);
    }
    m_container = std::move(opened.value());
}

PersistenceController &PersistenceController::shared()
{
    static PersistenceController instance(false);
    return instance;
}

PersistenceController &PersistenceController::preview()
{
    static PersistenceController instance = [] {
        PersistenceController controller(true);
        ModelContext *context = controller.container()->mainContext();
        struct Sample {
            const char *id;
            int secondsAgo;
            double lat, lon, depth, mag;
            const char *type;
            const char *intensity;
            const char *location;
        };
        const Sample samples[] = {
            {"es2025prev001", 3600, 28.45, -14.02, 12.0, 3.1, "mbLg", "II", "NW LANZAROTE"},
            {"es2025prev002", 7200, 27.88, -17.92, 8.0, 4.5, "Mw", "IV", "SW HIERRO"},
            {"es2025prev003", 10800, 28.12, -16.55, 20.0, 2.0, "mbLg", nullptr, "NE TENERIFE"},
        };
        const QDateTime fetchedAt = QDateTime::currentDateTimeUtc();
        for (const Sample &s : samples) {
            context->insert(std::make_shared<Earthquake>(
                QString::fromLatin1(s.id), QDateTime::currentDateTimeUtc().addSecs(-s.secondsAgo), s.lat, s.lon,
                s.depth, s.mag, QString::fromLatin1(s.type),
                s.intensity ? std::optional<QString>(QString::fromLatin1(s.intensity)) : std::nullopt,
                QString::fromLatin1(s.location), fetchedAt));
        }
        // Saved, not only staged: previews read the store like the screens do.
        if (const auto saved = context->save(); !saved)
            qWarning("preview store: %s", qPrintable(saved.error().description));
        return controller;
    }();
    return instance;
}

QString PersistenceController::defaultStorePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/earthquakes.sqlite");
}

QString PersistenceController::fatalMessage(const Error &error)
{
    return QStringLiteral("Failed to create ModelContainer: ") + error.description;
}
