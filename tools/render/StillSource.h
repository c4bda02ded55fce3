#pragma once

#include "DataSources/EarthquakeDataSource.h"
#include "Models/Region.h"

// A source whose download never ends (a refresh in progress) or fails at once: screens drawn
// in a loading or an offline state.
class StillSource : public EarthquakeDataSource {
public:
    explicit StillSource(bool failAtOnce) : m_fail(failAtOnce) {}
    const Region &region() const override { return Region::canaryIslands(); }
    void fetchEarthquakes(QObject *, FetchCompletion completion) override
    {
        if (m_fail)
            completion(Error{Error::Domain::Transport, 1, QStringLiteral("offline")});
    }

private:
    bool m_fail;
};
