#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <QQmlEngine>
#include <QQuickWindow>

class QJSEngine;

// The application's two scenes: main windows (as many as the user opens, each building its own
// root view and repository) and the single settings window, opened by its identifier and
// brought forward when asked for again. Windows are destroyed when closed.
class WindowScenes : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(int mainWindowCount READ mainWindowCount NOTIFY windowsChanged)
public:
    static inline const QString settingsIdentifier = QStringLiteral("settings");
    static inline const QUrl mainWindowUrl = QUrl(QStringLiteral("qrc:/Sismovantaquelorin/MainWindow.qml"));
    static inline const QUrl settingsWindowUrl = QUrl(QStringLiteral("qrc:/Sismovantaquelorin/SettingsWindow.qml"));

    static WindowScenes *shared();
    static WindowScenes *create(QQmlEngine *, QJSEngine *);

    // The engine windows are built in; without one nothing opens (tests of single screens).
    void setEngine(QQmlEngine *engine) { m_engine = engine; }

    QQuickWindow *openMainWindow();
    // Opens the window of that identifier, or brings it forward when it is open already.
    Q_INVOKABLE void openWindow(const QString &identifier);

    QQuickWindow *settingsWindow() const { return m_settings; }
    QList<QQuickWindow *> mainWindows() const;
    int mainWindowCount() const { return int(mainWindows().size()); }
    // The main window the user was in last (the settings window does not count); when it has
    // closed, the most recently opened of the others. Commands that act on a main window act
    // on this one.
    QQuickWindow *lastActiveMainWindow() const;

    // Destroys every window while the engine still exists (end of the application).
    void closeAll();

signals:
    void windowsChanged();

private:
    WindowScenes();
    QQuickWindow *build(const QUrl &url);

    QPointer<QQmlEngine> m_engine;
    QList<QPointer<QQuickWindow>> m_mainWindows;
    QPointer<QQuickWindow> m_settings;
    QPointer<QQuickWindow> m_lastActiveMain;
};
