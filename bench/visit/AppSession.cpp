#include "AppSession.h"

#include "Desktop/WindowScenes.h"
#include "Persistence/PersistenceController.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQmlExtensionPlugin>
#include <QQuickStyle>

#include <cstdio>
#include <memory>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_DesktopPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

AppSession::AppSession()
{
    QGuiApplication::setApplicationName(QStringLiteral("sismovantaquelorin"));
    QGuiApplication::setOrganizationName(QStringLiteral("sismovantaquelorin"));
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    PersistenceController::shared();
    m_engine.addImportPath(QStringLiteral("qrc:/"));
    WindowScenes::shared()->setEngine(&m_engine);
}

AppSession::~AppSession()
{
    WindowScenes::shared()->closeAll();  // the windows and their repositories go before the engine
}

ModelContainer *AppSession::container() const
{
    return PersistenceController::shared().container();
}

QQuickWindow *AppSession::openMainWindow()
{
    QQuickWindow *window = WindowScenes::shared()->openMainWindow();
    if (!window)
        std::fprintf(stderr, "no main window\n");
    return window;
}

QObject *AppSession::detailScreen(QQuickWindow *window)
{
    QObject *mainView = window ? window->findChild<QObject *>(QStringLiteral("mainView")) : nullptr;
    return mainView ? mainView->property("detailItem").value<QObject *>() : nullptr;
}

bool AppSession::waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    return true;
}

bool AppSession::waitForFrame(QQuickWindow *window)
{
    // Queued to this thread when the frame was drawn on the render loop's own; a call still
    // queued after this returns finds its own flag.
    auto drawn = std::make_shared<bool>(false);
    const QMetaObject::Connection frames =
        QObject::connect(window, &QQuickWindow::frameSwapped, window, [drawn] { *drawn = true; });
    window->update();
    const bool ok = waitFor([drawn] { return *drawn; });
    QObject::disconnect(frames);
    return ok;
}
