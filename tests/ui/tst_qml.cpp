// Quick Test runner for the screens' shared pieces (tests/ui/qml/tst_*.qml).
#include <QLocale>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QQuickStyle>
#include <QtQuickTest>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

class Setup : public QObject {
    Q_OBJECT
public:
    Setup()
    {
        QQuickStyle::setStyle(QStringLiteral("Basic"));
        // Dates in rows read in the user's locale and zone: pin both, so tests compare fixed text.
        QLocale::setDefault(QLocale(QStringLiteral("es_ES")));
        qputenv("TZ", "Europe/Madrid");
    }
public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        // The static modules' qmldirs live under qrc:/<URI path>/.
        engine->addImportPath(QStringLiteral("qrc:/"));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(sismo_qml, Setup)
#include "tst_qml.moc"
