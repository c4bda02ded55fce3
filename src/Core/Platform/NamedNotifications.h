#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The process-wide hub of named in-process notifications. A post reaches, synchronously,
// every observer connected at that moment; nothing is queued for later observers.
// A post may be addressed to one window (the menu commands address the last active main
// window): observers that belong to a window ask reaches(theirWindow) and let posts for other
// windows pass. A post without a window reaches every observer.
class NamedNotifications : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    static inline const QString appDidBecomeActive = QStringLiteral("appDidBecomeActive");
    static inline const QString focusSearch = QStringLiteral("focusSearch");
    static inline const QString openFilter = QStringLiteral("openFilter");
    static inline const QString openInfo = QStringLiteral("openInfo");
    static inline const QString openSettings = QStringLiteral("openSettings");
    static inline const QString toggleSidebar = QStringLiteral("toggleSidebar");

    static NamedNotifications *defaultCenter();
    static NamedNotifications *create(class QQmlEngine *, class QJSEngine *);

    Q_INVOKABLE void post(const QString &name);
    void post(const QString &name, QObject *window);

    // While a post is delivered: whether it is meant for the observers of that window.
    Q_INVOKABLE bool reaches(QObject *window) const { return !m_window || m_window == window; }

signals:
    void posted(const QString &name);

private:
    NamedNotifications() = default;
    QPointer<QObject> m_window;  // the window the post being delivered is addressed to
};
