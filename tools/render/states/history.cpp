// The history screen in each of its states, and its filter sheet.
#include "RenderRegistry.h"

#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "ViewModels/HistoricoViewModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QQuickWindow>
#include <QQmlEngine>
#include <QQuickItem>
#include <QRandomGenerator>
#include <QTimer>

namespace {

const QUrl kHistory(QStringLiteral("qrc:/Sismovantaquelorin/HistoricoView.qml"));
const QSize kSize(900, 640);
const QDateTime kNewest(QDate(2026, 12, 8), QTime(21, 42), Qt::UTC);

// Events over the months before kNewest, a few a day, with latest.cpp's places (one with markup).
ModelContainer *makeStore(QQmlEngine &engine, int events)
{
    ModelContainer *store = ModelContainer::open({QString(), true})->release();
    store->setParent(&engine);
    const QStringList places = {
        QStringLiteral("NW LA PALMA"), QStringLiteral("SW EL HIERRO"), QStringLiteral("ATLÁNTICO-CANARIAS"),
        QStringLiteral("NE TENERIFE"), QStringLiteral("S GRAN CANARIA"), QStringLiteral("FUENCALIENTE DE LA PALMA.IPA"),
        QStringLiteral("E LANZAROTE"), QStringLiteral("VALLEHERMOSO.IGO"), QStringLiteral("<b>W</b> LA GOMERA &amp; MAR"),
        QStringLiteral("GÜÍMAR.ITF"), QStringLiteral("N FUERTEVENTURA"), QStringLiteral("TAZACORTE.IPA"),
    };
    QRandomGenerator rng(11);
    for (int i = 0; i < events; ++i) {
        // Three events in the last days of the newest month, then about one every other day.
        const qint64 secondsAgo = i < 3 ? i * 61000 : 3 * 61000 + qint64(i - 3) * 150000;
        const double magnitude = i == 1 ? 4.2 : i == 4 ? 3.1 : std::round((0.7 + rng.generateDouble() * 2.4) * 10) / 10;
        store->mainContext()->insert(std::make_shared<Earthquake>(
            QStringLiteral("es2026his%1").arg(i), kNewest.addSecs(-secondsAgo), 27.7 + rng.generateDouble() * 1.3,
            -18.0 + rng.generateDouble() * 4.5, std::round(rng.generateDouble() * 300) / 10, magnitude,
            QStringLiteral("mbLg"), std::nullopt, places.at(i % places.size()), kNewest));
    }
    store->mainContext()->save();
    return store;
}

RenderState historyState(const char *name, int events, std::function<void(HistoricoViewModel *)> before = {},
                         std::function<void(QObject *)> ready = {}, QVariantMap extra = {}, QSize size = kSize)
{
    RenderState state{QString::fromLatin1(name), kHistory, size, false, extra,
                      [=](QQmlEngine &engine, QVariantMap &properties) {
                          ModelContainer *store = makeStore(engine, events);
                          auto *vm = new HistoricoViewModel(&engine);
                          if (before)
                              before(vm);
                          properties.insert(QStringLiteral("context"), QVariant::fromValue(store->mainContext()));
                          properties.insert(QStringLiteral("viewModel"), QVariant::fromValue(vm));
                      }};
    state.ready = std::move(ready);
    return state;
}

HistoricoViewModel *viewModelOf(QObject *root)
{
    return qvariant_cast<HistoricoViewModel *>(root->property("viewModel"));
}

// After the sheet has opened and built its form.
void later(QObject *root, int ms, std::function<void(QObject *)> work)
{
    QTimer::singleShot(ms, root, [root, work] { work(root); });
}

QObject *findNamed(QObject *root, const char *name)
{
    QObject *found = root->findChild<QObject *>(QString::fromLatin1(name));
    if (!found)
        qWarning("history render: no %s", name);
    return found;
}

// Spins the event loop with frames for a while: slow offscreen frames would otherwise catch a
// push or a sheet in mid-transition.
void spin(QQuickItem *anyItem, int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (anyItem->window())
            anyItem->window()->update();
    }
}

const QVariantMap kSheet{{QStringLiteral("showFilterSheet"), true}};

// A sheet state: opened on appearance, drawn once its opening transition is over.
RenderState sheetState(const char *name, int events, std::function<void(HistoricoViewModel *)> before = {},
                       std::function<void(QObject *)> ready = {}, QSize size = kSize)
{
    return historyState(name, events, std::move(before), [ready](QObject *root) {
        later(root, 0, [ready](QObject *r) {
            spin(qobject_cast<QQuickItem *>(r), 500);
            if (ready)
                ready(r);
            spin(qobject_cast<QQuickItem *>(r), 300);
        });
    }, kSheet, size);
}

// Opens the menu of the named picker of the sheet, as a click on it would.
void openMenu(QObject *root, const char *picker)
{
    if (QObject *item = findNamed(root, picker))
        QMetaObject::invokeMethod(item->property("menu").value<QObject *>(), "open");
}

const bool registered =
    RenderRegistry::addLightAndDark(historyState("history-loading", 120, [](HistoricoViewModel *vm) { vm->setHoldsLoads(true); }))
    && RenderRegistry::addLightAndDark(historyState("history-empty", 0))
    && RenderRegistry::addLightAndDark(historyState("history-list", 120))
    && RenderRegistry::addLightAndDark(historyState("history-list-more", 120, {}, [](QObject *root) {
           // Scrolled to the end of the first page: the load-more row.
           later(root, 100, [](QObject *r) { QMetaObject::invokeMethod(findNamed(r, "historicoList"), "positionViewAtEnd"); });
       }))
    && RenderRegistry::addLightAndDark(historyState("history-all-loaded", 30, {}, [](QObject *root) {
           // Scrolled to the end: the last row and no load-more row.
           later(root, 100, [](QObject *r) { QMetaObject::invokeMethod(findNamed(r, "historicoList"), "positionViewAtEnd"); });
       }))
    && RenderRegistry::addLightAndDark(historyState("history-loading-more", 120, {}, [](QObject *root) {
           later(root, 50, [](QObject *r) {
               HistoricoViewModel *vm = viewModelOf(r);
               vm->setHoldsLoads(true);
               vm->loadMore();
               QMetaObject::invokeMethod(findNamed(r, "historicoList"), "positionViewAtEnd");
           });
       }))
    && RenderRegistry::addLightAndDark(historyState("history-search", 120, {}, {},
                                                    {{QStringLiteral("initialSearch"), QStringLiteral("la palma")}}))
    && RenderRegistry::addLightAndDark(historyState("history-search-none", 120, {}, {},
                                                    {{QStringLiteral("initialSearch"), QStringLiteral("zzzz")}}))
    && RenderRegistry::addLightAndDark(historyState("history-filtered", 120, [](HistoricoViewModel *vm) {
           vm->applyFilter(DateFilterMode::yearMonth(2026, 10));
       }))
    && RenderRegistry::addLightAndDark(historyState("history-detail", 120, {}, [](QObject *root) {
           later(root, 150, [](QObject *r) {
               auto *list = qobject_cast<QQuickItem *>(findNamed(r, "historicoList"));
               // The first row of the list: open it as a click would.
               for (QQuickItem *child : list->property("contentItem").value<QQuickItem *>()->childItems()) {
                   if (child->metaObject()->indexOfSignal("opened(QVariant)") >= 0 && child->property("index").toInt() == 0) {
                       QMetaObject::invokeMethod(child, "clicked");
                       break;
                   }
               }
               spin(list, 900);  // frames of the map are slow offscreen: let the push end
           });
       }))
    && RenderRegistry::addLightAndDark(sheetState("history-sheet-none", 120))
    && RenderRegistry::addLightAndDark(sheetState("history-sheet-year-month", 120, [](HistoricoViewModel *vm) {
           vm->applyFilter(DateFilterMode::yearMonth(2026, 10));
       }))
    && RenderRegistry::addLightAndDark(sheetState("history-sheet-year", 120, [](HistoricoViewModel *vm) {
           vm->applyFilter(DateFilterMode::yearMonth(2026));
       }))
    && RenderRegistry::addLightAndDark(sheetState("history-sheet-no-years", 0, {}, [](QObject *r) {
           if (auto *state = findNamed(r, "filterSheet")->property("state").value<QObject *>())
               state->setProperty("mode", 1);  // "Año / Mes": only "Todos" to choose
       }))
    && RenderRegistry::addLightAndDark(sheetState("history-sheet-range", 120, [](HistoricoViewModel *vm) {
           const QTimeZone zone = vm->timeZone();
           vm->applyFilter(DateFilterMode::customRange(QDate(2026, 9, 1).startOfDay(zone), QDate(2026, 10, 15).endOfDay(zone)));
       }))
    // The main window's default size: the month menu is taller than the room below its button.
    && RenderRegistry::addLightAndDark(sheetState("history-sheet-month-menu", 120, [](HistoricoViewModel *vm) {
           vm->applyFilter(DateFilterMode::yearMonth(2026, 10));
       }, [](QObject *r) { openMenu(r, "monthPicker"); }, QSize(1100, 720)))
    && RenderRegistry::addLightAndDark(sheetState("history-sheet-calendar", 120, [](HistoricoViewModel *vm) {
           const QTimeZone zone = vm->timeZone();
           vm->applyFilter(DateFilterMode::customRange(QDate(2026, 9, 1).startOfDay(zone), QDate(2026, 10, 15).endOfDay(zone)));
       }, [](QObject *r) {
           if (QObject *picker = findNamed(r, "endRow")->findChild<QObject *>(QStringLiteral("datePicker")))
               QMetaObject::invokeMethod(picker, "openCalendar");
       }));

}  // namespace
