#include "SymbolCatalog.h"

#include <QHash>

namespace {

// SF Symbol name -> Bootstrap Icons file (resources/icons, MIT licence beside the files).
// Names the screens use, plus a few of our own ("chevron.left" for the back button).
const QHash<QString, QString> &table()
{
    static const QHash<QString, QString> map = {
        {QStringLiteral("ant.fill"), QStringLiteral("bug-fill.svg")},
        {QStringLiteral("arrow.clockwise"), QStringLiteral("arrow-clockwise.svg")},
        {QStringLiteral("arrow.down"), QStringLiteral("arrow-down.svg")},
        {QStringLiteral("arrow.down.circle"), QStringLiteral("arrow-down-circle.svg")},
        {QStringLiteral("arrow.right.circle.fill"), QStringLiteral("arrow-right-circle-fill.svg")},
        {QStringLiteral("bell.fill"), QStringLiteral("bell-fill.svg")},
        {QStringLiteral("bolt.fill"), QStringLiteral("lightning-fill.svg")},
        {QStringLiteral("calendar"), QStringLiteral("calendar.svg")},
        {QStringLiteral("calendar.badge.exclamationmark"), QStringLiteral("calendar-x.svg")},
        {QStringLiteral("chart.bar"), QStringLiteral("bar-chart.svg")},
        {QStringLiteral("chart.bar.xaxis"), QStringLiteral("bar-chart.svg")},
        {QStringLiteral("checkmark"), QStringLiteral("check-lg.svg")},
        {QStringLiteral("chevron.left"), QStringLiteral("chevron-left.svg")},
        {QStringLiteral("chevron.right"), QStringLiteral("chevron-right.svg")},
        {QStringLiteral("chevron.up.chevron.down"), QStringLiteral("chevron-expand.svg")},
        {QStringLiteral("circle.fill"), QStringLiteral("circle-fill.svg")},
        {QStringLiteral("clock"), QStringLiteral("clock.svg")},
        {QStringLiteral("clock.arrow.circlepath"), QStringLiteral("clock-history.svg")},
        {QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("exclamation-triangle-fill.svg")},
        {QStringLiteral("figure.walk"), QStringLiteral("person-fill.svg")},
        {QStringLiteral("gear"), QStringLiteral("gear.svg")},
        {QStringLiteral("house.fill"), QStringLiteral("house-fill.svg")},
        {QStringLiteral("info.circle"), QStringLiteral("info-circle.svg")},
        {QStringLiteral("line.3.horizontal.decrease.circle"), QStringLiteral("filter-circle.svg")},
        {QStringLiteral("line.3.horizontal.decrease.circle.fill"), QStringLiteral("filter-circle-fill.svg")},
        {QStringLiteral("list.bullet"), QStringLiteral("list-ul.svg")},
        {QStringLiteral("list.bullet.rectangle"), QStringLiteral("card-list.svg")},
        {QStringLiteral("location.fill"), QStringLiteral("geo-alt-fill.svg")},
        {QStringLiteral("location.slash.fill"), QStringLiteral("geo-alt-slash.svg")},
        {QStringLiteral("magnifyingglass"), QStringLiteral("search.svg")},
        {QStringLiteral("map"), QStringLiteral("map.svg")},
        {QStringLiteral("mappin.and.ellipse"), QStringLiteral("geo-alt.svg")},
        {QStringLiteral("plusminus"), QStringLiteral("plus-slash-minus.svg")},
        {QStringLiteral("questionmark.square"), QStringLiteral("question-square.svg")},
        {QStringLiteral("sensor.tag.radiowaves.forward"), QStringLiteral("broadcast.svg")},
        {QStringLiteral("sidebar.left"), QStringLiteral("layout-sidebar.svg")},
        {QStringLiteral("star.fill"), QStringLiteral("star-fill.svg")},
        {QStringLiteral("tray.full"), QStringLiteral("inbox.svg")},
        {QStringLiteral("waveform"), QStringLiteral("soundwave.svg")},
        {QStringLiteral("waveform.badge.exclamationmark"), QStringLiteral("exclamation-diamond.svg")},
        {QStringLiteral("waveform.path"), QStringLiteral("activity.svg")},
        {QStringLiteral("waveform.path.ecg"), QStringLiteral("activity.svg")},
        {QStringLiteral("xmark"), QStringLiteral("x-lg.svg")},
        {QStringLiteral("xmark.circle.fill"), QStringLiteral("x-circle-fill.svg")}
    };
    return map;
}

const QString kPrefix = QStringLiteral(":/icons/");

}  // namespace

namespace SymbolCatalog {

QString fileFor(const QString &symbolName)
{
    const auto it = table().constFind(symbolName);
    return it == table().cend() ? QString() : kPrefix + it.value();
}

QString fallbackFile()
{
    return kPrefix + QStringLiteral("question-square.svg");
}

QStringList names()
{
    QStringList list = table().keys();
    list.sort();
    return list;
}

}  // namespace SymbolCatalog
