#include "WindowScenes.h"

#include <QGuiApplication>
#include <QJSEngine>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>

WindowScenes *WindowScenes::shared()
{
    static WindowScenes *scenes = new WindowScenes;  // lives as long as the process
    return scenes;
}

WindowScenes::WindowScenes()
{
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *focus) {
        for (QQuickWindow *w : mainWindows())
            if (w == focus)
                m_lastActiveMain = w;
    });
}

WindowScenes *WindowScenes::create(QQmlEngine *, QJSEngine *)
{
    WindowScenes *scenes = shared();
    QJSEngine::setObjectOwnership(scenes, QJSEngine::CppOwnership);
    return scenes;
}

QQuickWindow *WindowScenes::build(const QUrl &url)
{
    if (!m_engine)
        return nullptr;
    QQmlComponent component(m_engine, url);
    QObject *object = component.create();
    auto *window = qobject_cast<QQuickWindow *>(object);
    if (!window) {
        qWarning().noquote() << component.errorString();
        delete object;
        return nullptr;
    }
    // A closed (hidden) window goes away with its root view, and so with its repository.
    connect(window, &QWindow::visibleChanged, window, [this, window](bool visible) {
        if (visible)
            return;
        window->deleteLater();
        QMetaObject::invokeMethod(this, &WindowScenes::windowsChanged, Qt::QueuedConnection);
    });
    return window;
}

QQuickWindow *WindowScenes::openMainWindow()
{
    QQuickWindow *window = build(mainWindowUrl);
    if (!window)
        return nullptr;
    m_mainWindows.append(window);
    // The root view builds what can wait (the sections not shown) once there is something on
    // screen. frameSwapped comes from the render thread: the note is queued to this one.
    if (QObject *view = window->property("mainView").value<QObject *>()) {
        connect(window, &QQuickWindow::frameSwapped, view, [view] { view->setProperty("firstFrameShown", true); },
                static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
    }
    window->show();
    window->requestActivate();
    emit windowsChanged();
    return window;
}

void WindowScenes::openWindow(const QString &identifier)
{
    if (identifier != settingsIdentifier)
        return;
    if (!m_settings) {
        m_settings = build(settingsWindowUrl);
        if (!m_settings)
            return;
        emit windowsChanged();
    }
    m_settings->show();
    m_settings->raise();
    m_settings->requestActivate();
}

QList<QQuickWindow *> WindowScenes::mainWindows() const
{
    QList<QQuickWindow *> windows;
    for (const QPointer<QQuickWindow> &w : m_mainWindows)
        if (w)
            windows.append(w);
    return windows;
}

QQuickWindow *WindowScenes::lastActiveMainWindow() const
{
    if (m_lastActiveMain && m_lastActiveMain->isVisible())
        return m_lastActiveMain;
    const QList<QQuickWindow *> windows = mainWindows();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it)
        if ((*it)->isVisible())
            return *it;
    return nullptr;
}

void WindowScenes::closeAll()
{
    for (QQuickWindow *w : mainWindows())
        delete w;
    m_mainWindows.clear();
    delete m_settings.data();
    emit windowsChanged();
}
