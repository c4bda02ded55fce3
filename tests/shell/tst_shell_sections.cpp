// A main window keeps the latest-events, map and statistics screens while another section
// shows. Each entry must still start as a new screen would: what the user changed on the last
// visit (filters, search, selection, camera, an open popover or detail, the scroll position,
// the instant of the figures) is gone when the section comes back.
// Runs offscreen on a store and settings in a temporary folder, with a catalogue address that
// refuses.
#include "Desktop/NavigationState.h"
#include "Desktop/WindowScenes.h"
#include "Persistence/EarthquakeSnapshot.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Persistence/PersistenceController.h"
#include "Platform/Geo.h"
#include "ViewModels/EarthquakeItem.h"
#include "ViewModels/MapEarthquakesModel.h"
#include "ViewModels/StatsViewModel.h"

#include <QQmlApplicationEngine>
#include <QQmlExtensionPlugin>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtTest>

#include "QuickItems.h"
#include "AppInOwnHome.h"
#include "MenuWalk.h"
#include "TestWait.h"

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_DesktopPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

class TestShellSections : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase() { WindowScenes::shared()->closeAll(); }

    void mapIsBuiltAheadWithoutAppearing();
    void latestEventsStartAfresh();
    void mapStartsAfresh();
    void hiddenMapFollowsNoStore();
    void hiddenLatestListFollowsNoStore();
    void statisticsStartAfresh();

private:
    // Shows `section` and returns its screen, once its page is on top.
    QQuickItem *visit(SidebarItem::Case section);
    // Leaves the current section for the history and comes back to it.
    QQuickItem *leaveAndReturn(SidebarItem::Case section);
    // Stores an event dated `date` and waits until the snapshot has merged it in.
    bool saveEvent(const QString &id, const QDateTime &date);
    QQuickItem *find(const char *name) const { return QuickItems::find(m_window->contentItem(), QLatin1String(name)); }

    QQmlApplicationEngine *m_engine = nullptr;
    QQuickWindow *m_window = nullptr;
};

void TestShellSections::initTestCase()
{
    // Sixty recent events: enough rows to scroll the list.
    ModelContext *context = PersistenceController::shared().container()->mainContext();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < 60; ++i) {
        context->insert(std::make_shared<Earthquake>(QStringLiteral("kept-%1").arg(i), now.addSecs(-1800 - 3600 * i),
                                                     28.1 + i * 0.01, -16.5, 10, 1.5 + (i % 30) / 10.0,
                                                     QStringLiteral("mbLg"), std::nullopt,
                                                     QStringLiteral("TENERIFE %1").arg(i)));
    }
    QVERIFY(context->save());

    m_engine = new QQmlApplicationEngine(this);
    m_engine->addImportPath(QStringLiteral("qrc:/"));
    WindowScenes::shared()->setEngine(m_engine);
    m_window = WindowScenes::shared()->openMainWindow();
    QVERIFY(m_window);
    QVERIFY(QTest::qWaitForWindowExposed(m_window, TestWait::bound));
}

void TestShellSections::cleanup()
{
    NavigationState::shared()->setSidebarSelection(SidebarItem::sismos);
}

QQuickItem *TestShellSections::visit(SidebarItem::Case section)
{
    NavigationState::shared()->setSidebarSelection(section);
    auto *mainView = m_window->findChild<QQuickItem *>(QStringLiteral("mainView"));
    auto *screen = mainView->property("detailItem").value<QQuickItem *>();
    if (screen && screen->isVisible())
        return screen;
    return nullptr;
}

QQuickItem *TestShellSections::leaveAndReturn(SidebarItem::Case section)
{
    if (!visit(SidebarItem::historico))
        return nullptr;
    return visit(section);
}

bool TestShellSections::saveEvent(const QString &id, const QDateTime &date)
{
    ModelContainer *container = PersistenceController::shared().container();
    QSignalSpy merged(container->snapshot(), &EarthquakeSnapshot::changed);
    container->mainContext()->insert(std::make_shared<Earthquake>(id, date, 28.3, -16.4, 8, 2.1, QStringLiteral("mbLg"),
                                                                  std::nullopt, QStringLiteral("TENERIFE NEW")));
    return container->mainContext()->save() && merged.wait(TestWait::bound);
}

void TestShellSections::mapIsBuiltAheadWithoutAppearing()
{
    // Once the window has drawn, the map is built in the background, hidden: it has not
    // appeared (no refresh, no filter popover from a menu command) and asks no tile server.
    auto *slot = m_window->findChild<QObject *>(QStringLiteral("mapSlot"));
    QVERIFY(slot);
    QTRY_VERIFY_WITH_TIMEOUT(slot->property("item").value<QObject *>(), TestWait::bound);
    auto *map = slot->property("item").value<QQuickItem *>();
    QCOMPARE(NavigationState::shared()->sidebarSelection(), std::optional(SidebarItem::sismos));
    QVERIFY(!map->isVisible());
    QVERIFY(!map->property("isActive").toBool());
    QVERIFY(!map->property("tilesEnabled").toBool());
    // Nor has it computed markers, even once the events are loaded.
    EarthquakeSnapshot *snapshot = PersistenceController::shared().container()->snapshot();
    QTRY_VERIFY_WITH_TIMEOUT(snapshot->data(), TestWait::bound);
    auto *mapModel = map->property("mapModel").value<QObject *>();
    QCOMPARE(mapModel->property("count").toInt(), 0);

    QCOMPARE(visit(SidebarItem::mapa), map);
    QTRY_COMPARE_WITH_TIMEOUT(mapModel->property("count").toInt(), 60, TestWait::bound);
    QVERIFY(map->property("isActive").toBool());
    QVERIFY(map->property("tilesEnabled").toBool());
}

void TestShellSections::latestEventsStartAfresh()
{
    QQuickItem *screen = visit(SidebarItem::sismos);
    QVERIFY(screen);
    auto *list = find("earthquakeList");
    QTRY_VERIFY_WITH_TIMEOUT(list->isVisible() && list->property("count").toInt() > 20, TestWait::bound);

    // Filters, a search in the open field, the list scrolled down, an event's detail pushed and
    // the popover asked for behind it.
    QPointer<QObject> viewModel = screen->property("viewModel").value<QObject *>();
    viewModel->setProperty("selectedFilter", QStringLiteral("low"));
    viewModel->setProperty("selectedDateFilter", QStringLiteral("last7d"));
    screen->setProperty("isSearchPresented", true);
    viewModel->setProperty("searchText", QStringLiteral("TENERIFE 1"));
    list->setProperty("contentY", 400);
    QVERIFY(!list->property("atYBeginning").toBool());
    QQuickItem *row = nullptr;
    for (QQuickItem *item : QuickItems::all(list)) {
        if (item->isVisible() && item->metaObject()->indexOfSignal("opened(QVariant)") >= 0) {
            row = item;
            break;
        }
    }
    QVERIFY(row);
    QMetaObject::invokeMethod(row, "clicked");
    QTRY_COMPARE_WITH_TIMEOUT(screen->property("depth").toInt(), 2, TestWait::bound);
    screen->setProperty("showFilterPopover", true);

    QQuickItem *again = leaveAndReturn(SidebarItem::sismos);
    QCOMPARE(again, screen);  // kept, not built again
    QTRY_VERIFY_WITH_TIMEOUT(!viewModel, TestWait::bound);  // the last visit's view model is gone
    auto *fresh = again->property("viewModel").value<QObject *>();
    QVERIFY(fresh);
    QCOMPARE(fresh->property("selectedFilter").toString(), QStringLiteral("all"));
    QCOMPARE(fresh->property("selectedDateFilter").toString(), QStringLiteral("all"));
    QCOMPARE(fresh->property("searchText").toString(), QString());
    QVERIFY(!again->property("isSearchPresented").toBool());
    QCOMPARE(find("searchField")->property("text").toString(), QString());
    QVERIFY(!again->property("showFilterPopover").toBool());
    QCOMPARE(again->property("depth").toInt(), 1);
    QVERIFY(list->property("atYBeginning").toBool());
    QVERIFY(again->property("isActive").toBool());
    // The popover asked for on the last visit does not open now.
    QVERIFY(MenuWalk::settle(m_window));
    QVERIFY(!find("filterPopover") || !find("filterPopover")->isVisible());
    QCOMPARE(again->property("listModel").value<QObject *>()->property("count").toInt(), 60);
}

void TestShellSections::mapStartsAfresh()
{
    QQuickItem *screen = visit(SidebarItem::mapa);
    QVERIFY(screen);
    auto *map = screen->property("map").value<QQuickItem *>();
    QVERIFY(map);
    const QGeoCoordinate centre = map->property("center").value<QGeoCoordinate>();
    const double zoom = map->property("zoomLevel").toDouble();
    QObject *viewModel = screen->property("viewModel").value<QObject *>();
    QObject *mapModel = screen->property("mapModel").value<QObject *>();
    QTRY_VERIFY_WITH_TIMEOUT(mapModel->property("count").toInt() == 60, TestWait::bound);

    // Filters, a selected event with its detail pushed, the popover asked for behind it and the
    // camera moved.
    viewModel->setProperty("selectedFilter", QStringLiteral("low"));
    viewModel->setProperty("selectedDateFilter", QStringLiteral("last7d"));
    QTRY_VERIFY_WITH_TIMEOUT(!mapModel->property("newestId").toString().isEmpty(), TestWait::bound);
    QMetaObject::invokeMethod(screen, "toggleSelection", Q_ARG(QVariant, mapModel->property("newestId")));
    QVERIFY(viewModel->property("selectedEarthquake").value<EarthquakeItem>().isValid());
    QMetaObject::invokeMethod(screen, "openDetail", Q_ARG(QVariant, viewModel->property("selectedEarthquake")));
    QTRY_COMPARE_WITH_TIMEOUT(screen->property("depth").toInt(), 2, TestWait::bound);
    screen->setProperty("showFilterPopover", true);
    map->setProperty("center", QVariant::fromValue(QGeoCoordinate(27.8, -17.9)));
    map->setProperty("zoomLevel", zoom + 2);

    QQuickItem *again = leaveAndReturn(SidebarItem::mapa);
    QCOMPARE(again, screen);  // kept, not built again
    QCOMPARE(viewModel->property("selectedFilter").toString(), QStringLiteral("all"));
    QCOMPARE(viewModel->property("selectedDateFilter").toString(), QStringLiteral("all"));
    QVERIFY(!viewModel->property("selectedEarthquake").value<EarthquakeItem>().isValid());
    QCOMPARE(again->property("depth").toInt(), 1);
    QVERIFY(!again->property("showFilterPopover").toBool());
    QVERIFY(!find("callout")->isVisible());
    const QGeoCoordinate back = map->property("center").value<QGeoCoordinate>();
    QVERIFY2(back.distanceTo(centre) < 1000, qPrintable(back.toString()));
    QCOMPARE(map->property("zoomLevel").toDouble(), zoom);
    QVERIFY(again->property("isActive").toBool());
    QTRY_COMPARE_WITH_TIMEOUT(mapModel->property("count").toInt(), 60, TestWait::bound);
    QVERIFY(MenuWalk::settle(m_window));
    QVERIFY(!find("filterPopover") || !find("filterPopover")->isVisible());
}

void TestShellSections::hiddenMapFollowsNoStore()
{
    QQuickItem *screen = visit(SidebarItem::mapa);
    QVERIFY(screen);
    QObject *mapModel = screen->property("mapModel").value<QObject *>();
    QTRY_VERIFY_WITH_TIMEOUT(mapModel->property("count").toInt() > 0, TestWait::bound);
    const int shown = mapModel->property("count").toInt();

    // A save while another section shows builds no markers for a map no one sees; the next
    // appearance shows the event.
    QVERIFY(visit(SidebarItem::historico));
    QSignalSpy markers(mapModel, SIGNAL(markersChanged()));
    QVERIFY(saveEvent(QStringLiteral("kept-hidden"), QDateTime::currentDateTimeUtc().addDays(-40)));
    auto *model = qobject_cast<MapEarthquakesModel *>(mapModel);
    QTRY_VERIFY_WITH_TIMEOUT(!model->isPreparing(), TestWait::bound);  // what the pool prepares builds no markers either
    QCOMPARE(markers.count(), 0);
    QCOMPARE(visit(SidebarItem::mapa), screen);
    QTRY_COMPARE_WITH_TIMEOUT(mapModel->property("count").toInt(), shown + 1, TestWait::bound);
}

void TestShellSections::hiddenLatestListFollowsNoStore()
{
    QQuickItem *screen = visit(SidebarItem::sismos);
    QVERIFY(screen);
    QObject *listModel = screen->property("listModel").value<QObject *>();
    const int shown = listModel->property("count").toInt();
    QVERIFY(shown > 0);

    // A save while another section shows reads nothing for a list no one sees; the next
    // appearance lists the event.
    QVERIFY(visit(SidebarItem::historico));
    QSignalSpy counted(listModel, SIGNAL(countChanged()));
    QVERIFY(saveEvent(QStringLiteral("kept-listed"), QDateTime::currentDateTimeUtc().addDays(-10)));
    QCOMPARE(counted.count(), 0);
    QCOMPARE(listModel->property("count").toInt(), shown);
    QCOMPARE(visit(SidebarItem::sismos), screen);
    QCOMPARE(listModel->property("count").toInt(), shown + 1);
}

void TestShellSections::statisticsStartAfresh()
{
    QQuickItem *screen = visit(SidebarItem::stats);
    QVERIFY(screen);
    QObject *viewModel = screen->property("viewModel").value<QObject *>();
    // The clock pinned on the screen: 24 of the events in the last day.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    screen->setProperty("pinnedNow", now);
    QMetaObject::invokeMethod(viewModel, "update");
    QTRY_COMPARE_WITH_TIMEOUT(viewModel->property("countLast24h").toInt(), 24, TestWait::bound);
    auto *content = find("statsContent");
    QTRY_VERIFY_WITH_TIMEOUT(content->isVisible() && content->property("contentHeight").toDouble() > content->height(),
                             TestWait::bound);
    content->setProperty("contentY", 150);

    // Two hours pass and an event is stored while another section shows: nothing is computed
    // for a screen no one sees, and the next appearance computes as a new screen would.
    QVERIFY(visit(SidebarItem::historico));
    const QDateTime later = now.addSecs(7200);
    screen->setProperty("pinnedNow", later);
    QSignalSpy published(viewModel, SIGNAL(depthStatChanged()));
    QVERIFY(saveEvent(QStringLiteral("kept-new"), later.addSecs(-600)));
    QVERIFY(!qobject_cast<StatsViewModel *>(viewModel)->isComputing());  // nothing started on the pool
    QCOMPARE(published.count(), 0);
    QCOMPARE(viewModel->property("countLast24h").toInt(), 24);
    QQuickItem *again = visit(SidebarItem::stats);
    QCOMPARE(again, screen);  // kept, not built again
    // 22 of the old events are still within a day of the later instant, and the new one.
    QTRY_COMPARE_WITH_TIMEOUT(viewModel->property("countLast24h").toInt(), 23, TestWait::bound);
    QVERIFY(content->property("atYBeginning").toBool());
}

int main(int argc, char *argv[])
{
    return runAppTestInOwnHome<TestShellSections>(argc, argv);
}

#include "tst_shell_sections.moc"
