#pragma once

#include "DataSources/EarthquakeDataSource.h"
#include "Networking/HTMLParser.h"
#include "Networking/NetworkSession.h"

// The institute's catalogue of the Canary Islands: the page of the last ten days.
class IGNDataSource : public EarthquakeDataSource {
public:
    explicit IGNDataSource(QNetworkAccessManager *session = NetworkSession::shared());

    const Region &region() const override;
    // Failures come back unchanged from the parser (HTMLParserError) or the transfer.
    void fetchEarthquakes(QObject *context, FetchCompletion completion) override;

private:
    const Region &m_region;
    HTMLParser m_parser;
};
