#pragma once

#include <QString>
#include <functional>
#include <vector>

class QQmlEngine;

// Work that could hold the main thread, each case watched by a MainThreadWatch: the longest
// interval between two ticks of its 5 ms timer, and what went wrong with the set-up (empty
// when the case ran as meant). Shared by the stall tests and the benchmark.
struct StallResult {
    double longestMs = 0;
    QString problem;
};

struct StallCase {
    QString name;
    std::function<StallResult(QQmlEngine &engine)> run;
};

// Call first, before anything touches positioning or any bus (libdbus reads the bus addresses
// once): lets Qt load the geoclue2 plugin in a test binary and makes the session bus (a private
// one) serve as the system bus.
void prepareStallEnvironment();
const std::vector<StallCase> &stallCases();
