#include "TextSearch.h"

namespace TextSearch {

QString fold(const QString &text)
{
    // Fast path: plain ASCII only needs case folding.
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return text.toCaseFolded();
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed) {
        const QChar::Category cat = c.category();
        if (cat == QChar::Mark_NonSpacing || cat == QChar::Mark_Enclosing || cat == QChar::Mark_SpacingCombining)
            continue;
        out.append(c);
    }
    return out.toCaseFolded();
}

QString trimSpacesAndTabs(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    // The white space set: Unicode space separators (no-break space included) and the tab.
    auto blank = [](QChar c) { return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space; };
    while (start < end && blank(text.at(start)))
        ++start;
    while (end > start && blank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

}  // namespace TextSearch
