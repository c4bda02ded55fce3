#pragma once

#include <QStringList>

// One process of the main-thread benchmark: one user's visit to the application on the store
// of XDG_DATA_HOME, each step watched by a 5 ms timer on the main thread. Serves the catalogue
// itself, on a thread of its own, at SISMOVANTAQUELORIN_CATALOGUE_URL. Prints one
// "step <name> <longest interval in ms>" line per step.
namespace StallVisit {

int run();
// The steps, in the order of the visit.
QStringList stepNames();

}  // namespace StallVisit
