#include "DataSourceInfo.h"

#include "Models/Region.h"

#include <QUrl>

QString DataSourceInfo::providerAddress()
{
    // The built-in address, not a mirror set for the download: the sheet names the institute.
    return QUrl(QString::fromLatin1(kCatalogueURL)).host();
}
