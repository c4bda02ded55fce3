#include "LocalizedText.h"

#include "Localization.h"

QString LocalizedText::text(const QString &key, const QString &defaultText) const
{
    return Localization::text(key, defaultText);
}

QString LocalizedText::format(const QString &key, const QString &defaultPattern, const QVariantList &arguments) const
{
    return Localization::format(Localization::text(key, defaultPattern), arguments);
}
