#pragma once

#include <QColor>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

class QJSEngine;
class QQmlEngine;

// QML's door to the icon set. Creating it installs the "symbol" image provider in its engine,
// so any QML that names a symbol through it works without set-up in main() or in tests.
class Symbols : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QStringList names READ names CONSTANT)
public:
    // The engine builds it through create(), never by default construction, so that the
    // provider is in place before the first symbol is requested.
    static Symbols *create(QQmlEngine *qmlEngine, QJSEngine *jsEngine);

    // "image://symbol/<name>?color=<aarrggbb>"
    Q_INVOKABLE QUrl source(const QString &name, const QColor &color);
    Q_INVOKABLE bool has(const QString &name);
    QStringList names() const;

private:
    Symbols() = default;
};
