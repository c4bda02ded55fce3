#include "Localization.h"

#include "FixedFormat.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

namespace {

using Table = QHash<QString, QHash<QString, QString>>;  // language tag -> key -> text

Table loadTable()
{
    Table table;
    QFile file(QStringLiteral(":/i18n/localizable.json"));
    if (!file.open(QIODevice::ReadOnly))
        return table;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    for (auto lang = root.begin(); lang != root.end(); ++lang) {
        const QJsonObject entries = lang.value().toObject();
        QHash<QString, QString> &texts = table[lang.key()];
        for (auto e = entries.begin(); e != entries.end(); ++e) {
            if (e.value().isString())
                texts.insert(e.key(), e.value().toString());
        }
    }
    return table;
}

struct State {
    Table table = loadTable();
    std::optional<QLocale> locale;
};

State &state()
{
    static State s;
    return s;
}

}  // namespace

QString Localization::lookup(const QString &key)
{
    State &s = state();
    const QLocale locale = s.locale.value_or(QLocale());
    const QString full = locale.name();                      // e.g. "es_ES"
    const QString language = full.section(QLatin1Char('_'), 0, 0);  // e.g. "es"
    for (const QString &tag : {full, language}) {
        const auto it = s.table.constFind(tag);
        if (it == s.table.constEnd())
            continue;
        const auto entry = it->constFind(key);
        if (entry != it->constEnd())
            return *entry;
    }
    return {};
}

QString Localization::text(const QString &key, const QString &defaultText)
{
    const QString found = lookup(key);
    return found.isNull() ? defaultText : found;
}

QString Localization::format(const QString &pattern, const QVariantList &arguments)
{
    QString out;
    out.reserve(pattern.size() + 16);
    qsizetype next = 0;
    auto take = [&]() {
        const QVariant v = next < arguments.size() ? arguments.at(next) : QVariant();
        ++next;
        return v;
    };
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = pattern.at(i);
        if (c != QLatin1Char('%') || i + 1 >= n) {
            out.append(c);
            continue;
        }
        const QStringView rest = QStringView(pattern).mid(i + 1);
        if (rest.startsWith(QLatin1Char('%'))) {
            out.append(QLatin1Char('%'));
            i += 1;
        } else if (rest.startsWith(QLatin1Char('@'))) {
            out.append(take().toString());
            i += 1;
        } else if (rest.startsWith(QLatin1String("lld"))) {
            const QVariant v = take();
            out.append(v.isValid() ? QString::number(v.toLongLong()) : QString());
            i += 3;
        } else if (rest.size() >= 3 && rest.at(0) == QLatin1Char('.') && rest.at(1).isDigit()
                   && rest.at(2) == QLatin1Char('f')) {
            const QVariant v = take();
            out.append(v.isValid() ? FixedFormat::decimal(v.toDouble(), rest.at(1).digitValue()) : QString());
            i += 3;
        } else {
            out.append(c);
        }
    }
    return out;
}

void Localization::setLocaleForTesting(const QLocale &locale)
{
    state().locale = locale;
}

void Localization::setTableForTesting(const QHash<QString, QHash<QString, QString>> &table)
{
    state().table = table;
}
