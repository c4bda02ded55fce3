#pragma once

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

// The localization lookup for QML: Localized.text("tab.sismos", "Sismos").
class LocalizedText : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Localized)
    QML_SINGLETON
public:
    explicit LocalizedText(QObject *parent = nullptr) : QObject(parent) {}

    Q_INVOKABLE QString text(const QString &key, const QString &defaultText) const;
    // Looks the pattern up, then fills "%@", "%lld" and "%.Nf" from the arguments in order.
    Q_INVOKABLE QString format(const QString &key, const QString &defaultPattern, const QVariantList &arguments) const;
};
