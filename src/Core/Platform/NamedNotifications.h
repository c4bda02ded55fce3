#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The process-wide hub of named in-process notifications. A post reaches, synchronously,
// every observer connected at that moment; nothing is queued for later observers.
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

signals:
    void posted(const QString &name);

private:
    NamedNotifications() = default;
};
