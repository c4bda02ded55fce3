#pragma once

#include <QString>
#include <QStringList>

// The one table from SF Symbol names (what the screens name) to the bundled SVG files.
namespace SymbolCatalog {

// Resource path of the SVG for a symbol name, or an empty string when the name is unknown.
QString fileFor(const QString &symbolName);
// What unknown names draw instead, so a missing mapping shows as a visible square, not nothing.
QString fallbackFile();
QStringList names();  // every mapped name, sorted

}  // namespace SymbolCatalog
