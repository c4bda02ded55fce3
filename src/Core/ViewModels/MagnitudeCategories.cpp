#include "MagnitudeCategories.h"

#include "Models/MagnitudeCategory.h"

#include <QVariantMap>

QVariantList MagnitudeCategories::allCases()
{
    QVariantList cases;
    for (const MagnitudeCategory category : MagnitudeCategory::allCases()) {
        cases.append(QVariantMap{
            {QStringLiteral("value"), int(category.value())},
            {QStringLiteral("rawValue"), category.rawValue()},
            {QStringLiteral("label"), category.label()},
            {QStringLiteral("description"), category.description()},
            {QStringLiteral("range"), category.range()},
            {QStringLiteral("color"), category.color()},
        });
    }
    return cases;
}
