#include "Desktop/AppCommands.h"
#include "Desktop/FirstFrameReporter.h"
#include "Persistence/PersistenceController.h"
#include "Platform/NamedNotifications.h"
#include "Desktop/ScenePhaseWatcher.h"
#include "Desktop/SnapshotWarmUp.h"
#include "Desktop/WindowScenes.h"

#include <QGuiApplication>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQmlExtensionPlugin>
#include <QQuickStyle>
#include <QQuickWindow>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_DesktopPlugin)
#ifdef SISMO_HAVE_MAP
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)
#endif

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("sismovantaquelorin"));
    QGuiApplication::setOrganizationName(QStringLiteral("sismovantaquelorin"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Sismovantaquelorin"));
    QGuiApplication::setDesktopFileName(QStringLiteral("sismovantaquelorin"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/desktop/sismovantaquelorin.svg")));
    QQuickStyle::setStyle(QStringLiteral("Basic"));

    // The store first: without it there is nothing to show, and a failure stops here, before
    // any window exists.
    PersistenceController::shared();

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));

    WindowScenes *scenes = WindowScenes::shared();
    scenes->setEngine(&engine);
    AppCommands::shared()->setNewWindowHandler([scenes] { scenes->openMainWindow(); });
    AppCommands::shared()->setQuitHandler([] { QCoreApplication::quit(); });

    ScenePhaseWatcher scenePhase(NamedNotifications::defaultCenter());

    QQuickWindow *window = scenes->openMainWindow();
    if (!window)
        return EXIT_FAILURE;
    FirstFrameReporter::installIfRequested(window);
    SnapshotWarmUp::startAfterFirstFrame(window, PersistenceController::shared().container()->snapshot());

    const int status = app.exec();
    scenes->closeAll();  // the windows and their repositories go before the engine
    return status;
}
