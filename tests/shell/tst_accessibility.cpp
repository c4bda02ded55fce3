// The application as a screen reader and a keyboard user meet it, offscreen: every section, the
// history's filter sheet, the settings window with alerts on and the information sheet. Every
// control has a name and a role that says what it is, its accessibility action does what a
// click does, and the history filter and the refresh interval can be set with the keys alone.
// Runs on a store and settings in a temporary folder, with a catalogue address that refuses.
#include "Desktop/NavigationState.h"
#include "Desktop/WindowScenes.h"
#include "Notifications/NotificationSettings.h"
#include "Persistence/ModelContext.h"
#include "Persistence/PersistenceController.h"
#include "Platform/NamedNotifications.h"
#include "ViewModels/HistoricoViewModel.h"
#include "ViewModels/MapViewModel.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlExtensionPlugin>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QtTest>

#include "AccessibleTree.h"
#include "AppInOwnHome.h"
#include "QuickItems.h"
#include "TestWait.h"

#include <functional>
#include <numeric>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_DesktopPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

namespace {

QQuickItem *find(QQuickWindow *window, const char *name)
{
    return window ? QuickItems::find(window->contentItem(), QLatin1String(name)) : nullptr;
}
QObject *screen(QQuickWindow *window)
{
    QObject *mainView = window->findChild<QObject *>(QStringLiteral("mainView"));
    return mainView ? mainView->property("detailItem").value<QObject *>() : nullptr;
}
QObject *historySheetState(QQuickWindow *window)
{
    QObject *sheet = window->findChild<QObject *>(QStringLiteral("filterSheet"));
    return sheet ? sheet->property("state").value<QObject *>() : nullptr;
}
QObject *menuOf(QQuickWindow *window, const char *picker)
{
    QQuickItem *item = find(window, picker);
    return item ? item->property("menu").value<QObject *>() : nullptr;
}
bool opened(QObject *popup) { return popup && popup->property("opened").toBool(); }
bool waitFor(const std::function<bool()> &condition) { return QTest::qWaitFor(condition, TestWait::bound); }

// What a check of an action's effect sees: the window the control is in.
using Effect = std::function<bool(QQuickWindow *)>;

}  // namespace

Q_DECLARE_METATYPE(QAccessible::Role)
Q_DECLARE_METATYPE(Effect)

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void everyControlAndRowHasAnAccessibleName();
    void everyScreenSaysWhatItsControlsAre_data();
    void everyScreenSaysWhatItsControlsAre();
    void actionsDoWhatAClickDoes_data();
    void actionsDoWhatAClickDoes();
    void historyFilterWithTheKeysAlone();
    void refreshIntervalWithTheKeysAlone();
    void informationSheetScrollsWithTheKeys();

private:
    // Builds a named state of the application and returns the window to look at.
    QQuickWindow *prepare(const QString &scene);
    QQuickWindow *openMainWindow();
    QQmlApplicationEngine *m_engine = nullptr;
};

void TestAccessibility::initTestCase()
{
    QAccessible::setActive(true);
    m_engine = new QQmlApplicationEngine(this);
    m_engine->addImportPath(QStringLiteral("qrc:/"));
    WindowScenes::shared()->setEngine(m_engine);

    // Two recent events, and enough older ones for the history to have a second page.
    ModelContext *context = PersistenceController::shared().container()->mainContext();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    context->insert(std::make_shared<Earthquake>(QStringLiteral("a11y-1"), now.addSecs(-600), 28.1, -16.5, 12.4, 2.44,
                                                 QStringLiteral("mbLg"), std::nullopt, QStringLiteral("NW TENERIFE")));
    context->insert(std::make_shared<Earthquake>(QStringLiteral("a11y-2"), now.addDays(-3), 27.7, -17.9, 3, 1.5,
                                                 QStringLiteral("mbLg"), std::nullopt, QStringLiteral("SW EL HIERRO")));
    for (int i = 0; i < 60; ++i)
        context->insert(std::make_shared<Earthquake>(QStringLiteral("a11y-old-%1").arg(i), now.addDays(-20 - i), 28.3,
                                                     -16.2, 10, 1.2, QStringLiteral("mbLg"), std::nullopt,
                                                     QStringLiteral("S GRAN CANARIA")));
    QVERIFY(context->save());
}

void TestAccessibility::cleanup()
{
    WindowScenes::shared()->closeAll();
    NavigationState::shared()->setSidebarSelection(SidebarItem::sismos);
    NotificationSettings::shared()->setIsEnabled(false);
    NotificationSettings::shared()->setRefreshInterval(RefreshInterval::TenMinutes);
}

QQuickWindow *TestAccessibility::openMainWindow()
{
    QQuickWindow *window = WindowScenes::shared()->openMainWindow();
    if (window && QTest::qWaitForWindowExposed(window, TestWait::bound))
        window->requestActivate();
    return window;
}

QQuickWindow *TestAccessibility::prepare(const QString &scene)
{
    const auto startsWith = [&](const char *prefix) { return scene.startsWith(QLatin1String(prefix)); };
    if (startsWith("settings")) {
        NotificationSettings::shared()->setIsEnabled(true);
        NotificationSettings::shared()->setGlobalMagnitudeEnabled(true);
        WindowScenes::shared()->openWindow(WindowScenes::settingsIdentifier);
        QQuickWindow *settings = WindowScenes::shared()->settingsWindow();
        if (!settings || !QTest::qWaitForWindowExposed(settings, TestWait::bound))
            return nullptr;
        if (scene == QLatin1String("settings, refresh menu")) {
            QMetaObject::invokeMethod(menuOf(settings, "refreshPicker"), "open");
            if (!waitFor([&] { return opened(menuOf(settings, "refreshPicker")); }))
                return nullptr;
        }
        return settings;
    }

    QQuickWindow *window = openMainWindow();
    if (!window)
        return nullptr;
    if (startsWith("sismos")) {
        if (!waitFor([&] { return find(window, "earthquakeList") && find(window, "earthquakeList")->isVisible(); }))
            return nullptr;
        if (scene == QLatin1String("sismos, nothing matches"))
            screen(window)->property("viewModel").value<QObject *>()->setProperty("selectedFilter", QStringLiteral("major"));
    } else if (startsWith("historico") || startsWith("history sheet")) {
        NavigationState::shared()->setSidebarSelection(SidebarItem::historico);
        if (!waitFor([&] { return find(window, "historicoList") && find(window, "historicoList")->isVisible(); }))
            return nullptr;
        auto *viewModel = screen(window)->property("viewModel").value<HistoricoViewModel *>();
        if (scene == QLatin1String("historico, nothing matches"))
            viewModel->applyFilter(DateFilterMode::yearMonth(1990));
        if (startsWith("history sheet")) {
            NamedNotifications::defaultCenter()->post(NamedNotifications::openFilter);
            if (!waitFor([&] { return opened(window->findChild<QObject *>(QStringLiteral("filterSheet"))); }))
                return nullptr;
            QObject *state = historySheetState(window);
            if (scene.contains(QLatin1String("year"))) {
                state->setProperty("mode", 1);
                state->setProperty("selectedYear", viewModel->availableYears().value(0));
            } else if (scene.contains(QLatin1String("range")) || scene.contains(QLatin1String("calendar"))) {
                state->setProperty("mode", 2);
            }
            if (scene.contains(QLatin1String("year menu"))) {
                if (!waitFor([&] { return menuOf(window, "yearPicker"); }))
                    return nullptr;
                QMetaObject::invokeMethod(menuOf(window, "yearPicker"), "open");
                if (!waitFor([&] { return opened(menuOf(window, "yearPicker")); }))
                    return nullptr;
            } else if (scene.contains(QLatin1String("calendar"))) {
                QQuickItem *picker = nullptr;
                if (!waitFor([&] { return find(window, "endRow") && (picker = QuickItems::find(find(window, "endRow"), QStringLiteral("datePicker"))); }))
                    return nullptr;
                QMetaObject::invokeMethod(picker, "openCalendar");
                if (!waitFor([&] { return picker->property("calendarOpen").toBool(); }))
                    return nullptr;
            }
        }
    } else if (startsWith("mapa")) {
        NavigationState::shared()->setSidebarSelection(SidebarItem::mapa);
        if (!waitFor([&] { return find(window, "newestAnnotation") && find(window, "newestAnnotation")->isVisible(); }))
            return nullptr;
        if (scene == QLatin1String("mapa, callout")) {
            QObject *map = screen(window);
            auto *viewModel = map->property("viewModel").value<MapViewModel *>();
            viewModel->setSelectedEarthquake(qvariant_cast<EarthquakeItem>(
                map->property("mapModel").value<QObject *>()->property("newest")));
            if (!waitFor([&] { return find(window, "callout")->property("presence").toDouble() == 1.0; }))
                return nullptr;
        }
    } else if (startsWith("stats")) {
        NavigationState::shared()->setSidebarSelection(SidebarItem::stats);
        if (!waitFor([&] { return find(window, "statsContent") && find(window, "statsContent")->isVisible(); }))
            return nullptr;
    } else if (startsWith("info sheet")) {
        NamedNotifications::defaultCenter()->post(NamedNotifications::openInfo);
        if (!waitFor([&] { return opened(window->findChild<QObject *>(QStringLiteral("infoSheet"))); }))
            return nullptr;
    }
    return window;
}

// The latest-events section and its popover, row by row: a name for every control and row.
void TestAccessibility::everyControlAndRowHasAnAccessibleName()
{
    QQuickWindow *window = prepare(QStringLiteral("sismos"));
    QVERIFY(window);
    // The list's delegates are laid out.
    QTRY_VERIFY_WITH_TIMEOUT(AccessibleTree::walk(window).named.values(QAccessible::ListItem).size() >= 6, TestWait::bound);

    AccessibleTree::Walk w = AccessibleTree::walk(window);
    QVERIFY2(w.unnamed.isEmpty(), qPrintable(w.unnamed.join(QLatin1Char('\n'))));

    // What carries the names: the bar's and the sidebar's buttons, the search field, the
    // sections of the sidebar, the rows as one sentence and the section headers.
    const QStringList buttons = w.named.values(QAccessible::Button);
    for (const char *expected : {"Actualizar terremotos", "Abrir filtros", "Ajustes", "Información",
                                 "Mostrar/Ocultar barra lateral"})
        QVERIFY2(buttons.contains(QString::fromUtf8(expected)), expected);
    QVERIFY(w.named.values(QAccessible::EditableText).contains(QStringLiteral("Buscar por localización")));
    const QStringList items = w.named.values(QAccessible::ListItem);
    for (const char *section : {"Sismos", "Histórico", "Mapa", "Estadísticas"})
        QVERIFY2(items.contains(QString::fromUtf8(section)), section);
    const QString row = std::accumulate(items.cbegin(), items.cend(), QString(), [](QString found, const QString &item) {
        return item.startsWith(QLatin1String("NW TENERIFE")) ? item : found;
    });
    QVERIFY2(row.startsWith(QStringLiteral("NW TENERIFE, magnitud 2.4, ")) && row.endsWith(QStringLiteral(", profundidad 12 km")),
             qPrintable(row));
    QCOMPARE(w.named.values(QAccessible::Heading).size(), 3);  // the last 24 hours, 7 days, 30 days

    // The popover's choices and the field's clear button, once shown.
    NamedNotifications::defaultCenter()->post(NamedNotifications::openFilter);
    QObject *popover = window->findChild<QObject *>(QStringLiteral("filterPopover"));
    QTRY_VERIFY_WITH_TIMEOUT(popover->property("opened").toBool(), TestWait::bound);
    find(window, "searchField")->setProperty("text", QStringLiteral("x"));
    w = AccessibleTree::walk(window);
    QVERIFY2(w.unnamed.isEmpty(), qPrintable(w.unnamed.join(QLatin1Char('\n'))));
    QVERIFY(w.named.values(QAccessible::Button).contains(QStringLiteral("Micro")));
    QVERIFY(w.named.values(QAccessible::Button).contains(QStringLiteral("Borrar búsqueda")));
    QMetaObject::invokeMethod(popover, "close");
    QTRY_VERIFY_WITH_TIMEOUT(!popover->property("visible").toBool(), TestWait::bound);
    find(window, "searchField")->setProperty("text", QString());

    // An event's detail: the back button and the data rows.
    QObject *latest = screen(window);
    QAccessibleInterface *rowNode = AccessibleTree::find(window, QAccessible::ListItem, QStringLiteral("NW TENERIFE"));
    QVERIFY(rowNode);
    rowNode->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE_WITH_TIMEOUT(latest->property("depth").toInt(), 2, TestWait::bound);
    QTRY_VERIFY_WITH_TIMEOUT(latest->property("currentItem").value<QObject *>()->property("isOnTop").toBool(), TestWait::bound);
    w = AccessibleTree::walk(window);
    QVERIFY2(w.unnamed.isEmpty(), qPrintable(w.unnamed.join(QLatin1Char('\n'))));
    QVERIFY(w.named.values(QAccessible::Button).contains(QStringLiteral("Atrás")));
}

// Every screen: every control named, each pointer control with a role that says what it is and
// an action, and the controls and texts a screen reader needs there, with the right role.
void TestAccessibility::everyScreenSaysWhatItsControlsAre_data()
{
    QTest::addColumn<QString>("scene");
    QTest::addColumn<QStringList>("expected");  // "role:name" (the name's start), role in hex
    const auto entry = [](QAccessible::Role role, const QString &name) {
        return QString::number(role, 16) + QLatin1Char(':') + name;
    };
    QTest::newRow("sismos") << "sismos" << QStringList{entry(QAccessible::ListItem, "NW TENERIFE")};
    QTest::newRow("sismos, nothing matches")
        << "sismos, nothing matches"
        << QStringList{entry(QAccessible::StaticText, "Sin resultados"),
                       entry(QAccessible::StaticText, "Ningún terremoto coincide")};
    QTest::newRow("historico") << "historico"
                               << QStringList{entry(QAccessible::StaticText, "Data up to "),
                                              entry(QAccessible::Button, "Cargar más"),
                                              entry(QAccessible::Button, "Filtrar histórico")};
    QTest::newRow("historico, nothing matches")
        << "historico, nothing matches"
        << QStringList{entry(QAccessible::StaticText, "Sin resultados"),
                       entry(QAccessible::StaticText, "No hay terremotos para el período")};
    QTest::newRow("history sheet") << "history sheet"
                                   << QStringList{entry(QAccessible::PageTab, "Sin filtro"),
                                                  entry(QAccessible::PageTab, "Año / Mes"),
                                                  entry(QAccessible::Button, "Cancelar"),
                                                  entry(QAccessible::Button, "Aplicar")};
    QTest::newRow("history sheet, year") << "history sheet, year"
                                         << QStringList{entry(QAccessible::ComboBox, "Año"),
                                                        entry(QAccessible::ComboBox, "Mes")};
    QTest::newRow("history sheet, year menu") << "history sheet, year menu"
                                              << QStringList{entry(QAccessible::MenuItem, "Todos")};
    QTest::newRow("history sheet, calendar") << "history sheet, calendar"
                                             << QStringList{entry(QAccessible::EditableText, "Fecha fin"),
                                                            entry(QAccessible::Button, "Mes anterior"),
                                                            entry(QAccessible::Button, "Mes siguiente")};
    QTest::newRow("mapa, callout") << "mapa, callout"
                                   << QStringList{entry(QAccessible::Button, "NW TENERIFE, 2.4"),
                                                  entry(QAccessible::Button, "Ver detalle"),
                                                  entry(QAccessible::Button, "Cerrar")};
    QTest::newRow("stats") << "stats" << QStringList{};
    QTest::newRow("settings") << "settings"
                              << QStringList{entry(QAccessible::CheckBox, "Notifications"),
                                             entry(QAccessible::ComboBox, "Minimum threshold"),
                                             entry(QAccessible::ComboBox, "Frecuencia")};
    QTest::newRow("settings, refresh menu") << "settings, refresh menu"
                                            << QStringList{entry(QAccessible::MenuItem, "Manual")};
    QTest::newRow("info sheet") << "info sheet" << QStringList{entry(QAccessible::Button, "Cerrar"),
                                                               entry(QAccessible::StaticText, "Micro")};
}

void TestAccessibility::everyScreenSaysWhatItsControlsAre()
{
    QFETCH(QString, scene);
    QFETCH(QStringList, expected);
    QQuickWindow *window = prepare(scene);
    QVERIFY(window);
    const AccessibleTree::Walk w = AccessibleTree::walk(window);
    QVERIFY2(w.unnamed.isEmpty(), qPrintable(w.unnamed.join(QLatin1Char('\n'))));
    QVERIFY2(w.mute.isEmpty(), qPrintable(w.mute.join(QLatin1Char('\n'))));
    for (const QString &entry : expected) {
        const auto role = QAccessible::Role(entry.section(QLatin1Char(':'), 0, 0).toInt(nullptr, 16));
        const QString name = entry.section(QLatin1Char(':'), 1);
        QVERIFY2(AccessibleTree::find(window, role, name), qPrintable(QStringLiteral("no %1 in %2").arg(entry, scene)));
    }
}

// The accessibility action of each kind of control does what a click does. The effect is checked, not the call.
void TestAccessibility::actionsDoWhatAClickDoes_data()
{
    QTest::addColumn<QString>("scene");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("action");
    QTest::addColumn<Effect>("effect");
    const QString press = QAccessibleActionInterface::pressAction();
    const QString toggle = QAccessibleActionInterface::toggleAction();
    const auto row = [](const char *label, const char *scene, QAccessible::Role role, const QString &name,
                        const QString &action, Effect effect) {
        QTest::newRow(label) << QString::fromLatin1(scene) << role << name << action << effect;
    };
    const auto historyMode = [](QQuickWindow *w) { return historySheetState(w)->property("mode").toInt(); };
    const auto historyViewModel = [](QQuickWindow *w) {
        return screen(w)->property("viewModel").value<HistoricoViewModel *>();
    };

    row("sidebar row", "sismos", QAccessible::ListItem, QStringLiteral("Histórico"), press,
        [](QQuickWindow *) { return NavigationState::shared()->sidebarSelectionRaw() == QLatin1String("historico"); });
    row("settings button", "sismos", QAccessible::Button, QStringLiteral("Ajustes"), press,
        [](QQuickWindow *) { return WindowScenes::shared()->settingsWindow() != nullptr; });
    row("information button", "sismos", QAccessible::Button, QStringLiteral("Información"), press,
        [](QQuickWindow *w) { return opened(w->findChild<QObject *>(QStringLiteral("infoSheet"))); });
    row("event row", "sismos", QAccessible::ListItem, QStringLiteral("NW TENERIFE"), press,
        [](QQuickWindow *w) { return screen(w)->property("depth").toInt() == 2; });
    row("filter button", "sismos", QAccessible::Button, QStringLiteral("Abrir filtros"), press,
        [](QQuickWindow *w) { return opened(w->findChild<QObject *>(QStringLiteral("filterPopover"))); });
    row("load more", "historico", QAccessible::Button, QStringLiteral("Cargar más"), press,
        [=](QQuickWindow *w) { return historyViewModel(w)->loadedCount() > 50; });
    row("history filter button", "historico", QAccessible::Button, QStringLiteral("Filtrar histórico"), press,
        [](QQuickWindow *w) { return opened(w->findChild<QObject *>(QStringLiteral("filterSheet"))); });
    row("segment, pressed", "history sheet", QAccessible::PageTab, QStringLiteral("Año / Mes"), press,
        [=](QQuickWindow *w) {
            QAccessibleInterface *tab = AccessibleTree::find(w, QAccessible::PageTab, QStringLiteral("Año / Mes"));
            return historyMode(w) == 1 && tab->state().selected;
        });
    row("segment, toggled", "history sheet", QAccessible::PageTab, QStringLiteral("Rango personalizado"), toggle,
        [=](QQuickWindow *w) { return historyMode(w) == 2; });
    row("cancel", "history sheet", QAccessible::Button, QStringLiteral("Cancelar"), press,
        [](QQuickWindow *w) { return !w->findChild<QObject *>(QStringLiteral("filterSheet"))->property("visible").toBool(); });
    row("picker", "history sheet, year", QAccessible::ComboBox, QStringLiteral("Mes"), press,
        [](QQuickWindow *w) { return opened(menuOf(w, "monthPicker")); });
    row("menu item", "history sheet, year menu", QAccessible::MenuItem, QStringLiteral("Todos"), press,
        [](QQuickWindow *w) {
            return historySheetState(w)->property("selectedYear").isNull() && !opened(menuOf(w, "yearPicker"));
        });
    row("calendar button", "history sheet, range", QAccessible::Button, QStringLiteral("Fecha fin"), press,
        [](QQuickWindow *w) { return find(w, "endRow") && QuickItems::find(find(w, "endRow"), QStringLiteral("datePicker"))->property("calendarOpen").toBool(); });
    row("calendar's next month", "history sheet, calendar", QAccessible::Button, QStringLiteral("Mes siguiente"), press,
        [](QQuickWindow *w) {
            QQuickItem *grid = find(w, "monthGrid");
            return grid && grid->property("month").toInt() == (QDate::currentDate().month()) % 12;
        });
    row("marker", "mapa", QAccessible::Button, QStringLiteral("NW TENERIFE, 2.4"), press,
        [](QQuickWindow *w) { return screen(w)->property("viewModel").value<MapViewModel *>()->selectedEarthquake().isValid(); });
    row("callout detail", "mapa, callout", QAccessible::Button, QStringLiteral("Ver detalle"), press,
        [](QQuickWindow *w) { return screen(w)->property("depth").toInt() == 2; });
    row("callout close", "mapa, callout", QAccessible::Button, QStringLiteral("Cerrar"), press,
        [](QQuickWindow *w) { return !screen(w)->property("viewModel").value<MapViewModel *>()->selectedEarthquake().isValid(); });
    row("switch", "settings", QAccessible::CheckBox, QStringLiteral("By magnitude"), toggle,
        [](QQuickWindow *) { return !NotificationSettings::shared()->globalMagnitudeEnabled(); });
    row("settings picker", "settings", QAccessible::ComboBox, QStringLiteral("Frecuencia"), press,
        [](QQuickWindow *w) { return opened(menuOf(w, "refreshPicker")); });
    row("settings menu item", "settings, refresh menu", QAccessible::MenuItem, QStringLiteral("Manual"), press,
        [](QQuickWindow *) { return NotificationSettings::shared()->refreshInterval().value() == RefreshInterval::Disabled; });
    row("information sheet's close button", "info sheet", QAccessible::Button, QStringLiteral("Cerrar"), press,
        [](QQuickWindow *w) { return !w->findChild<QObject *>(QStringLiteral("infoSheet"))->property("visible").toBool(); });
}

void TestAccessibility::actionsDoWhatAClickDoes()
{
    QFETCH(QString, scene);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    QFETCH(QString, action);
    QFETCH(Effect, effect);
    QQuickWindow *window = prepare(scene);
    QVERIFY(window);
    QAccessibleInterface *node = AccessibleTree::find(window, role, name);
    QVERIFY2(node, qPrintable(name));
    QAccessibleActionInterface *actions = node->actionInterface();
    QVERIFY(actions && actions->actionNames().contains(action));
    actions->doAction(action);
    QVERIFY2(waitFor([&] { return effect(window); }), qPrintable(name));
}

// From the history's filter button to a month applied, with Tab, Space, Return and the arrows.
void TestAccessibility::historyFilterWithTheKeysAlone()
{
    QQuickWindow *window = prepare(QStringLiteral("historico"));
    QVERIFY(window);
    auto *viewModel = screen(window)->property("viewModel").value<HistoricoViewModel *>();
    const int year = viewModel->availableYears().value(0);
    QVERIFY(year > 0);

    QVERIFY(AccessibleTree::tabTo(window, QAccessible::Button, QStringLiteral("Filtrar histórico")));
    QTest::keyClick(window, Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(opened(window->findChild<QObject *>(QStringLiteral("filterSheet"))), TestWait::bound);
    QVERIFY(AccessibleTree::tabTo(window, QAccessible::PageTab, QStringLiteral("Año / Mes")));
    QTest::keyClick(window, Qt::Key_Space);
    QTRY_COMPARE_WITH_TIMEOUT(historySheetState(window)->property("mode").toInt(), 1, TestWait::bound);

    QVERIFY(AccessibleTree::tabTo(window, QAccessible::ComboBox, QStringLiteral("Año")));
    QTest::keyClick(window, Qt::Key_Return);  // opens the menu, applies nothing
    QTRY_VERIFY_WITH_TIMEOUT(opened(menuOf(window, "yearPicker")), TestWait::bound);
    QVERIFY(opened(window->findChild<QObject *>(QStringLiteral("filterSheet"))));
    QTest::keyClick(window, Qt::Key_Down);  // from "Todos" to the newest year
    QTest::keyClick(window, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(!opened(menuOf(window, "yearPicker")), TestWait::bound);
    QCOMPARE(historySheetState(window)->property("selectedYear").toInt(), year);

    QVERIFY(AccessibleTree::tabTo(window, QAccessible::ComboBox, QStringLiteral("Mes")));
    QTest::keyClick(window, Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(opened(menuOf(window, "monthPicker")), TestWait::bound);
    QTest::keyClick(window, Qt::Key_Escape);  // closes the menu, not the sheet
    QTRY_VERIFY_WITH_TIMEOUT(!opened(menuOf(window, "monthPicker")), TestWait::bound);
    QVERIFY(opened(window->findChild<QObject *>(QStringLiteral("filterSheet"))));
    QVERIFY(AccessibleTree::focused(window, QAccessible::ComboBox, QStringLiteral("Mes")));
    QTest::keyClick(window, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(opened(menuOf(window, "monthPicker")), TestWait::bound);
    for (int i = 0; i < 3; ++i)  // past "Todo el año" to the third month
        QTest::keyClick(window, Qt::Key_Down);
    QTest::keyClick(window, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(historySheetState(window)->property("selectedMonth").toInt(), 3, TestWait::bound);

    QVERIFY(AccessibleTree::tabTo(window, QAccessible::Button, QStringLiteral("Aplicar")));
    QTest::keyClick(window, Qt::Key_Space);
    QTRY_COMPARE_WITH_TIMEOUT(viewModel->filterMode(), DateFilterMode::yearMonth(year, 3), TestWait::bound);
    QTRY_VERIFY_WITH_TIMEOUT(!window->findChild<QObject *>(QStringLiteral("filterSheet"))->property("visible").toBool(),
                             TestWait::bound);
}

// The settings window at its size, alerts on: Tab walks down the form, which keeps the focused
// control in view, to the refresh interval, which the arrows and Return change.
void TestAccessibility::refreshIntervalWithTheKeysAlone()
{
    QQuickWindow *window = prepare(QStringLiteral("settings"));
    QVERIFY(window);
    window->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(window, TestWait::bound));
    QCOMPARE(window->size(), QSize(520, 480));
    NotificationSettings::shared()->setRefreshInterval(RefreshInterval::FiveMinutes);

    QStringList outOfView;
    const auto inView = [&] {
        QQuickItem *item = window->activeFocusItem();
        const QRectF area = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
        if (!QRectF(0, 0, window->width(), window->height()).contains(area))
            outOfView << AccessibleTree::describe(item);
    };
    QVERIFY(AccessibleTree::tabTo(window, QAccessible::ComboBox, QStringLiteral("Frecuencia"), inView));
    QVERIFY2(outOfView.isEmpty(), qPrintable(outOfView.join(QLatin1Char('\n'))));

    QTest::keyClick(window, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(opened(menuOf(window, "refreshPicker")), TestWait::bound);
    QVERIFY(AccessibleTree::focused(window, QAccessible::MenuItem, QString()));  // the current choice
    QTest::keyClick(window, Qt::Key_Down);
    QTest::keyClick(window, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(!opened(menuOf(window, "refreshPicker")), TestWait::bound);
    QCOMPARE(NotificationSettings::shared()->refreshInterval().value(), RefreshInterval::TenMinutes);
    QVERIFY(AccessibleTree::focused(window, QAccessible::ComboBox, QStringLiteral("Frecuencia")));
}

// The information sheet is read by scrolling it with the keys.
void TestAccessibility::informationSheetScrollsWithTheKeys()
{
    QQuickWindow *window = prepare(QStringLiteral("info sheet"));
    QVERIFY(window);
    QQuickItem *scroller = find(window, "infoScroller");
    QVERIFY(scroller);
    const auto y = [&] { return scroller->property("contentY").toReal(); };
    const qreal bottom = scroller->property("contentHeight").toReal() - scroller->height();
    QVERIFY(bottom > 100);
    QTest::keyClick(window, Qt::Key_Down);
    QCOMPARE(y(), 40.0);
    QTest::keyClick(window, Qt::Key_PageDown);
    QVERIFY(y() > 40.0);
    QTest::keyClick(window, Qt::Key_End);
    QCOMPARE(y(), bottom);
    QTest::keyClick(window, Qt::Key_PageUp);
    QVERIFY(y() < bottom);
    QTest::keyClick(window, Qt::Key_Up);
    QTest::keyClick(window, Qt::Key_Home);
    QCOMPARE(y(), 0.0);
}

int main(int argc, char *argv[])
{
    return runAppTestInOwnHome<TestAccessibility>(argc, argv);
}

#include "tst_accessibility.moc"
