#pragma once

#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariantList>

// Looks texts up by key in the application's table, which is a resource beside the code.
// Every call site carries its own default text, shown whenever the table has no entry.
class Localization {
public:
    static QString text(const QString &key, const QString &defaultText);

    // Fills "%@" (text), "%lld" (integer) and "%.Nf" (fixed decimal) from the arguments in order.
    // Table text is never handed to printf, so a stray specifier cannot read past the arguments;
    // a specifier without an argument becomes empty.
    static QString format(const QString &pattern, const QVariantList &arguments);

    // The table for one locale (tests and tools); the process uses QLocale() at each lookup.
    static void setLocaleForTesting(const QLocale &locale);
    static void setTableForTesting(const QHash<QString, QHash<QString, QString>> &table);

private:
    static QString lookup(const QString &key);
};

// Short form used throughout the code: tr-like lookup with a default. Keys are written in the
// source, which is UTF-8, and some are Spanish sentences.
inline QString L(const char *key, const QString &defaultText)
{
    return Localization::text(QString::fromUtf8(key), defaultText);
}
