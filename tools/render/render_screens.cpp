// Renders every registered screen state offscreen to <out>/<name>.png.
//   sismo_render <out-folder> [name-filter...]   |   sismo_render --list
#include "RenderRegistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTextStream>

#include <algorithm>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
#ifdef SISMO_HAVE_MAP
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)
#endif

namespace {

// Lets pending image loads, layouts and the first frames settle.
void settle(QQuickWindow &window, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    // A frame at most every 40 ms: a scene that takes longer to draw would otherwise keep the
    // loop drawing, and its timers and animations would never run.
    qint64 lastFrame = -1000;
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (timer.elapsed() - lastFrame >= 40) {
            window.update();
            lastFrame = timer.elapsed();
        }
    }
}

bool render(const RenderState &state, const QDir &out, QTextStream &err)
{
    QQmlEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));

    QVariantMap properties = state.properties;
    const bool followDesktop = qEnvironmentVariableIsSet("SISMO_RENDER_FOLLOW_DESKTOP");
    if (followDesktop)
        properties.remove(QStringLiteral("dark"));  // scenes that set the appearance themselves leave it
    if (state.setup)
        state.setup(engine, properties);

    QQmlComponent component(&engine, state.qml);
    QObject *object = component.createWithInitialProperties(properties);
    auto *item = qobject_cast<QQuickItem *>(object);
    if (!item) {
        err << state.name << ": " << component.errorString() << '\n';
        delete object;
        return false;
    }

    // Through QML: the theme is a QML singleton of the module, reached like any screen does.
    // SISMO_RENDER_FOLLOW_DESKTOP leaves it to the desktop's colour-scheme preference instead.
    if (!followDesktop) {
        QQmlComponent appearance(&engine);
        appearance.setData(QByteArrayLiteral("import QtQml\nimport Sismovantaquelorin\n"
                                             "QtObject { property bool dark; Component.onCompleted: Theme.dark = dark }"),
                           QUrl(QStringLiteral("qrc:/render/appearance.qml")));
        delete appearance.createWithInitialProperties({{QStringLiteral("dark"), state.dark}});
        if (appearance.isError())
            err << state.name << ": " << appearance.errorString() << '\n';
    }

    if (state.ready)
        state.ready(object);
    QQuickWindow window;
    window.setColor(Qt::transparent);
    item->setParentItem(window.contentItem());
    item->setSize(state.size);
    window.resize(state.size);
    window.show();
    settle(window, state.settleMs);

    const QImage image = window.grabWindow();
    delete item;
    const QString path = out.filePath(state.name + QStringLiteral(".png"));
    if (image.isNull() || !image.save(path)) {
        err << state.name << ": could not grab or save " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

}  // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    QTextStream err(stderr);

    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--list")) {
        for (const RenderState &state : RenderRegistry::states())
            QTextStream(stdout) << state.name << '\n';
        return 0;
    }
    if (args.isEmpty()) {
        err << "usage: sismo_render <out-folder> [name-filter...] | --list\n";
        return 2;
    }
    QDir out(args.takeFirst());
    if (!out.mkpath(QStringLiteral(".")))
        return 1;

    int failures = 0;
    for (const RenderState &state : RenderRegistry::states()) {
        const bool wanted = args.isEmpty()
            || std::any_of(args.cbegin(), args.cend(), [&](const QString &f) { return state.name.contains(f); });
        if (wanted && !render(state, out, err))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
