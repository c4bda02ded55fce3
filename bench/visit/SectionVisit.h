#pragma once

#include <QStringList>

// One process of the section-change benchmark: opens a main window ("ours": the application's;
// "rebuild": a detail column that builds each screen anew) on the store of XDG_DATA_HOME,
// starting on the placeholder, then visits every section once and again a few times. Prints
// "renderer <name>" and one "visit <section>_<first|again> <ms>" line per figure (the median of
// the later visits for "again").
namespace SectionVisit {

int run(const QString &host);
QStringList visitNames();

}  // namespace SectionVisit
