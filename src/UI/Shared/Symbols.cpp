#include "Symbols.h"

#include "SymbolCatalog.h"
#include "SymbolImageProvider.h"

#include <QQmlEngine>

Symbols *Symbols::create(QQmlEngine *qmlEngine, QJSEngine *)
{
    SymbolImageProvider::install(qmlEngine);
    return new Symbols;
}

QUrl Symbols::source(const QString &name, const QColor &color)
{
    // The name goes in the path and the colour in the query; '#' would start a fragment.
    QString hex = color.name(QColor::HexArgb);
    hex.remove(0, 1);
    return QUrl(QStringLiteral("image://%1/%2?color=%3")
                    .arg(QString::fromLatin1(SymbolImageProvider::providerId), name, hex));
}

bool Symbols::has(const QString &name)
{
    return !SymbolCatalog::fileFor(name).isEmpty();
}

QStringList Symbols::names() const
{
    return SymbolCatalog::names();
}
