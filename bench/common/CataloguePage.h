#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// Realistic catalogue pages for the benchmarks: the page frame with its header row, then one
// row per event, newest first, dated over the ten days before `newest`, with a few thousand
// place names, magnitudes 0-5, decimal commas, a link around the place and "&nbsp;" after it.
// The same arguments always give the same page.
namespace CataloguePage {

// A fixed instant, so pages do not change from run to run.
QDateTime defaultNewest();

QString html(int rows, const QDateTime &newest = defaultNewest(), quint32 seed = 1);
QByteArray utf8(int rows, const QDateTime &newest = defaultNewest(), quint32 seed = 1);

// The place names rows are drawn from (upper case, some with accents).
const QStringList &placeNames();

} // namespace CataloguePage
