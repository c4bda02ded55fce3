#pragma once

#include <QString>

// Case- and diacritic-insensitive containment, as a user expects of a place search:
// "güimar" finds "GÜÍMAR". Fold both sides once; compare folded texts many times.
namespace TextSearch {

QString fold(const QString &text);
inline bool foldedContains(const QString &foldedHaystack, const QString &foldedNeedle)
{
    return foldedHaystack.contains(foldedNeedle);
}
inline bool localizedStandardContains(const QString &haystack, const QString &needle)
{
    return fold(haystack).contains(fold(needle));
}

// Trims spaces and tabs only (not line breaks) from both ends.
QString trimSpacesAndTabs(const QString &text);

}  // namespace TextSearch
