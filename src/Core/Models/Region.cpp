#include "Region.h"

#include "Platform/Localization.h"

const Region &Region::canaryIslands()
{
    static const Region region = [] {
        const QByteArray overrideURL = qgetenv("SISMOVANTAQUELORIN_CATALOGUE_URL");
        const QUrl url = overrideURL.isEmpty() ? QUrl(QString::fromLatin1(kCatalogueURL))
                                               : QUrl(QString::fromUtf8(overrideURL));
        return Region{
            QStringLiteral("canary_islands"),
            L("region.canaryIslands", QStringLiteral("Islas Canarias")),
            url,
            QGeoCoordinate(28.3, -15.8),
            CoordinateSpan{8.0, 10.0},
            QLocale(QStringLiteral("es_ES")),
        };
    }();
    return region;
}
