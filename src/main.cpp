#include "Persistence/PersistenceController.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlExtensionPlugin>
#include <QQuickStyle>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
#ifdef SISMO_HAVE_MAP
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)
#endif

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("sismovantaquelorin"));
    QGuiApplication::setOrganizationName(QStringLiteral("sismovantaquelorin"));
    QQuickStyle::setStyle(QStringLiteral("Basic"));

    // The store first: without it there is nothing to show, and a failure stops here.
    PersistenceController::shared();

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.load(QUrl(QStringLiteral("qrc:/Sismovantaquelorin/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return EXIT_FAILURE;
    return app.exec();
}
