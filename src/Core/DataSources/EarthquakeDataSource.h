#pragma once

#include "Models/Region.h"
#include "Networking/ParsedEarthquake.h"
#include "Platform/Error.h"

#include <QObject>
#include <functional>

using FetchResult = Expected<ParsedEarthquakeList>;
using FetchCompletion = std::function<void(FetchResult)>;

// A source of catalogues. The completion runs later on the main thread, and only while
// `context` is alive: destroying the context abandons the fetch.
class EarthquakeDataSource {
public:
    virtual ~EarthquakeDataSource() = default;
    virtual const Region &region() const = 0;
    virtual void fetchEarthquakes(QObject *context, FetchCompletion completion) = 0;
};
