#include "IGNDataSource.h"

IGNDataSource::IGNDataSource(QNetworkAccessManager *session)
    : m_region(Region::canaryIslands()), m_parser(session)
{
}

const Region &IGNDataSource::region() const
{
    return m_region;
}

void IGNDataSource::fetchEarthquakes(QObject *context, FetchCompletion completion)
{
    m_parser.fetchAndParse(m_region.dataSourceURL, context, std::move(completion));
}
