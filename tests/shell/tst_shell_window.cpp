// The main window as a whole, offscreen: what a fresh launch shows, the sections' screens,
// the sidebar toggle, the information sheet, the single settings window, several windows
// reacting to one notification, the menu shortcuts, and the compact tab layout (what a screen
// reader finds is tst_accessibility's).
// Runs on a store and settings in a temporary folder, with a catalogue address that refuses.
#include "Desktop/NavigationState.h"
#include "Desktop/WindowScenes.h"
#include "Desktop/FirstLaunchPermission.h"
#include "Platform/NamedNotifications.h"
#include "Platform/UserDefaults.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQmlExtensionPlugin>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QtTest>

#include "AppInOwnHome.h"
#include "QuickItems.h"
#include "TestWait.h"

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_DesktopPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

namespace {

QQuickItem *findItem(QQuickWindow *window, const QString &name)
{
    return QuickItems::find(window->contentItem(), name);
}

QQuickItem *mainViewOf(QQuickWindow *window)
{
    return window ? window->findChild<QQuickItem *>(QStringLiteral("mainView")) : nullptr;
}

QObject *detailScreen(QQuickWindow *window)
{
    QQuickItem *view = mainViewOf(window);
    return view ? view->property("detailItem").value<QObject *>() : nullptr;
}

QObject *infoSheet(QQuickWindow *window)
{
    return window->findChild<QObject *>(QStringLiteral("infoSheet"));
}

bool sidebarShown(QQuickWindow *window)
{
    QObject *columns = mainViewOf(window)->property("columnVisibility").value<QObject *>();
    return columns->property("showsSidebar").toBool();
}

}  // namespace

class TestShellWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void freshLaunchShowsTheLatestEventsWithTheSidebar();
    void sectionsShowTheirScreensAndAnEmptySelectionShowsThePlaceholder();
    void notificationsReachEveryMainWindow();
    void settingsWindowIsSingle();
    void shortcutsRunTheCommands();
    void shortcutsWorkFromTheSettingsWindowOnTheLastActiveMainWindow();
    void compactLayoutHasThreeTabsOnOneRepository();

private:
    QQuickWindow *openWindow();
    QQmlApplicationEngine *m_engine = nullptr;
};

void TestShellWindow::initTestCase()
{
    m_engine = new QQmlApplicationEngine(this);
    m_engine->addImportPath(QStringLiteral("qrc:/"));
    WindowScenes::shared()->setEngine(m_engine);
}

void TestShellWindow::cleanup()
{
    WindowScenes::shared()->closeAll();
    NavigationState::shared()->setSidebarSelection(SidebarItem::sismos);
}

QQuickWindow *TestShellWindow::openWindow()
{
    QQuickWindow *window = WindowScenes::shared()->openMainWindow();
    if (window)
        QTest::qWaitForWindowExposed(window, TestWait::bound);
    return window;
}

void TestShellWindow::freshLaunchShowsTheLatestEventsWithTheSidebar()
{
    // Nothing has asked for notification permission in this installation yet.
    QVERIFY(!UserDefaults::standard().boolValue(FirstLaunchPermission::hasAskedKey));

    QQuickWindow *window = openWindow();
    QVERIFY(window);
    QCOMPARE(window->size(), QSize(1100, 720));
    QVERIFY(sidebarShown(window));

    auto *list = window->findChild<QQuickItem *>(QStringLiteral("sectionList"));
    QVERIFY(list);
    QStringList rows;
    for (const char *id : {"sismos", "historico", "mapa", "stats"}) {
        auto *row = findItem(window, QStringLiteral("sidebarRow_") + QLatin1String(id));
        QVERIFY2(row && row->isVisible() && row->width() > 100, id);
        rows << QLatin1String(id);
    }
    auto *sidebar = window->findChild<QQuickItem *>(QStringLiteral("sidebar"));
    QTRY_COMPARE_WITH_TIMEOUT(sidebar->width(), 190.0, TestWait::bound);  // its ideal width

    QObject *screen = detailScreen(window);
    QVERIFY(screen);
    QCOMPARE(screen->objectName(), QStringLiteral("latestSection"));
    QVERIFY(screen->property("repository").value<QObject *>());
    QCOMPARE(screen->property("repository").value<QObject *>(),
             mainViewOf(window)->property("repository").value<QObject *>());
    QVERIFY(!infoSheet(window)->property("visible").toBool());
    QVERIFY(!WindowScenes::shared()->settingsWindow());  // nothing opens settings at launch

    // The first main view asked, once, and wrote the flag.
    QVERIFY(UserDefaults::standard().boolValue(FirstLaunchPermission::hasAskedKey));

    // The rendered window really draws the sidebar's background and the detail beside it.
    const QImage image = window->grabWindow();
    QVERIFY(!image.isNull());
    const QPoint sidebarPoint(int(sidebar->width() / 2 * image.devicePixelRatio()), image.height() - 80);
    const QPoint detailPoint(image.width() - 40, image.height() - 40);
    QVERIFY(image.pixelColor(sidebarPoint) != image.pixelColor(detailPoint));
}

void TestShellWindow::sectionsShowTheirScreensAndAnEmptySelectionShowsThePlaceholder()
{
    QQuickWindow *window = openWindow();
    QPointer<QQuickItem> first = qobject_cast<QQuickItem *>(detailScreen(window));
    QPointer<QObject> firstModel = first->property("viewModel").value<QObject *>();
    QVERIFY(firstModel);
    QObject *repository = mainViewOf(window)->property("repository").value<QObject *>();

    // A click on the history row.
    auto *row = findItem(window, QStringLiteral("sidebarRow_historico"));
    QTest::mouseClick(window, Qt::LeftButton, {}, row->mapToScene(QPointF(row->width() / 2, row->height() / 2)).toPoint());
    QCOMPARE(NavigationState::shared()->sidebarSelectionRaw(), QStringLiteral("historico"));
    QPointer<QObject> history = detailScreen(window);
    QVERIFY(history && history->findChild<QObject *>(QStringLiteral("historicoListPage")));
    // The latest-events screen left with its state: hidden, inactive, its view model gone.
    QVERIFY(!first->isVisible());
    QVERIFY(!first->property("isActive").toBool());
    QTRY_VERIFY_WITH_TIMEOUT(!firstModel, TestWait::bound);

    NavigationState::shared()->setSidebarSelection(SidebarItem::mapa);
    QObject *map = detailScreen(window);
    QCOMPARE(map->property("repository").value<QObject *>(), repository);
    QTRY_VERIFY_WITH_TIMEOUT(!history, TestWait::bound);  // the history is built anew on each visit

    NavigationState::shared()->setSidebarSelection(SidebarItem::sismos);
    QObject *again = detailScreen(window);
    QCOMPARE(again->objectName(), QStringLiteral("latestSection"));
    QVERIFY(again->property("isActive").toBool());
    QVERIFY(again->property("viewModel").value<QObject *>());  // a view model of its own
    QCOMPARE(mainViewOf(window)->property("repository").value<QObject *>(), repository);  // the window's stays

    // Ctrl+click on the selected row clears the selection.
    row = findItem(window, QStringLiteral("sidebarRow_sismos"));
    QTest::mouseClick(window, Qt::LeftButton, Qt::ControlModifier,
                      row->mapToScene(QPointF(row->width() / 2, row->height() / 2)).toPoint());
    QCOMPARE(NavigationState::shared()->sidebarSelection(), std::nullopt);
    QCOMPARE(detailScreen(window)->objectName(), QStringLiteral("selectSectionPlaceholder"));
}

void TestShellWindow::notificationsReachEveryMainWindow()
{
    QQuickWindow *one = openWindow();
    QQuickWindow *two = openWindow();
    QVERIFY(one && two && one != two);
    QVERIFY(mainViewOf(one)->property("repository").value<QObject *>()
            != mainViewOf(two)->property("repository").value<QObject *>());

    NamedNotifications::defaultCenter()->post(NamedNotifications::toggleSidebar);
    QVERIFY(!sidebarShown(one) && !sidebarShown(two));
    auto *sidebar = one->findChild<QQuickItem *>(QStringLiteral("sidebar"));
    QTRY_VERIFY_WITH_TIMEOUT(!sidebar->isVisible(), TestWait::bound);
    NamedNotifications::defaultCenter()->post(NamedNotifications::toggleSidebar);
    QVERIFY(sidebarShown(one) && sidebarShown(two));

    NamedNotifications::defaultCenter()->post(NamedNotifications::openInfo);
    QTRY_VERIFY_WITH_TIMEOUT(infoSheet(one)->property("visible").toBool(), TestWait::bound);
    QTRY_VERIFY_WITH_TIMEOUT(infoSheet(two)->property("visible").toBool(), TestWait::bound);
    QMetaObject::invokeMethod(infoSheet(one), "close");  // dismissing sets that window's flag back
    QTRY_VERIFY_WITH_TIMEOUT(!mainViewOf(one)->property("showInfoSheet").toBool(), TestWait::bound);
    QVERIFY(mainViewOf(two)->property("showInfoSheet").toBool());

    // Both windows always show the same section.
    NavigationState::shared()->setSidebarSelection(SidebarItem::stats);
    QCOMPARE(detailScreen(one)->metaObject()->className(), detailScreen(two)->metaObject()->className());
    QVERIFY(detailScreen(one) != detailScreen(two));

    // A closed window goes away with its root view and its repository.
    QPointer<QObject> repository = mainViewOf(one)->property("repository").value<QObject *>();
    one->close();
    QTRY_VERIFY_WITH_TIMEOUT(!repository, TestWait::bound);
    QCOMPARE(WindowScenes::shared()->mainWindowCount(), 1);
}

void TestShellWindow::settingsWindowIsSingle()
{
    QQuickWindow *window = openWindow();
    auto *button = window->findChild<QQuickItem *>(QStringLiteral("settingsButton"));
    QTest::mouseClick(window, Qt::LeftButton, {},
                      button->mapToScene(QPointF(button->width() / 2, button->height() / 2)).toPoint());
    QPointer<QQuickWindow> settings = WindowScenes::shared()->settingsWindow();
    QVERIFY(settings);
    QCOMPARE(settings->title(), QStringLiteral("Ajustes"));
    QCOMPARE(settings->size(), QSize(520, 480));
    QVERIFY(settings->isVisible());

    NamedNotifications::defaultCenter()->post(NamedNotifications::openSettings);
    QCOMPARE(WindowScenes::shared()->settingsWindow(), settings.data());  // brought forward, not a second one

    settings->close();
    QTRY_VERIFY_WITH_TIMEOUT(!settings, TestWait::bound);
    QVERIFY(window->isVisible());  // closing settings leaves the main window as it was
    NamedNotifications::defaultCenter()->post(NamedNotifications::openSettings);
    QVERIFY(WindowScenes::shared()->settingsWindow());
}

void TestShellWindow::shortcutsRunTheCommands()
{
    QQuickWindow *window = openWindow();
    window->requestActivate();
    QTRY_VERIFY_WITH_TIMEOUT(window->isActive(), TestWait::bound);

    QTest::keyClick(window, Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(NavigationState::shared()->sidebarSelectionRaw(), QStringLiteral("historico"));
    QTest::keyClick(window, Qt::Key_4, Qt::ControlModifier);
    QCOMPARE(NavigationState::shared()->sidebarSelectionRaw(), QStringLiteral("stats"));
    QTest::keyClick(window, Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(detailScreen(window)->objectName(), QStringLiteral("latestSection"));

    QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(!sidebarShown(window));
    QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(sidebarShown(window));

    // With the sidebar hidden its toggle sits in the bar of the detail column, before the
    // title, and covers none of the list.
    QQuickItem *toggle = findItem(window, QStringLiteral("showSidebarButton"));
    QVERIFY(toggle && !toggle->isVisible());
    QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(toggle->isVisible(), TestWait::bound);
    auto *list = findItem(window, QStringLiteral("earthquakeList"));
    auto *page = findItem(window, QStringLiteral("latestListPage"));
    QVERIFY(list && page);
    const QRectF toggleRect = toggle->mapRectToScene(toggle->boundingRect());
    QVERIFY(toggleRect.bottom() <= list->mapToScene(QPointF(0, 0)).y());
    auto *bar = page->property("bar").value<QQuickItem *>();
    QVERIFY(bar);
    const QRectF barRect = bar->mapRectToScene(bar->boundingRect());
    QVERIFY(barRect.contains(toggleRect));
    QVERIFY(bar->property("leadingInset").toReal() >= toggle->width());
    QTest::mouseClick(window, Qt::LeftButton, {}, toggleRect.center().toPoint());
    QVERIFY(sidebarShown(window));
    QTRY_COMPARE_WITH_TIMEOUT(bar->property("leadingInset").toReal(), 0.0, TestWait::bound);

    QTest::keyClick(window, Qt::Key_I, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(mainViewOf(window)->property("showInfoSheet").toBool(), TestWait::bound);
    QTRY_VERIFY_WITH_TIMEOUT(infoSheet(window)->property("opened").toBool(), TestWait::bound);
    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!mainViewOf(window)->property("showInfoSheet").toBool(), TestWait::bound);
}

void TestShellWindow::shortcutsWorkFromTheSettingsWindowOnTheLastActiveMainWindow()
{
    QQuickWindow *one = openWindow();
    QQuickWindow *two = openWindow();
    two->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(two, TestWait::bound));
    one->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(one, TestWait::bound));
    QCOMPARE(WindowScenes::shared()->lastActiveMainWindow(), one);

    WindowScenes::shared()->openWindow(WindowScenes::settingsIdentifier);
    QPointer<QQuickWindow> settings = WindowScenes::shared()->settingsWindow();
    QVERIFY(settings);
    QVERIFY(QTest::qWaitForWindowActive(settings, TestWait::bound));
    QCOMPARE(WindowScenes::shared()->lastActiveMainWindow(), one);  // the settings window does not count

    const auto activateSettings = [&] {
        settings->requestActivate();
        return QTest::qWaitForWindowActive(settings, TestWait::bound);
    };
    QSignalSpy posts(NamedNotifications::defaultCenter(), &NamedNotifications::posted);

    // Commands for every window.
    QTest::keyClick(settings, Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(posts.size(), 1);
    QCOMPARE(posts.takeFirst().at(0).toString(), NamedNotifications::appDidBecomeActive);
    QTest::keyClick(settings, Qt::Key_Comma, Qt::ControlModifier);
    QCOMPARE(WindowScenes::shared()->settingsWindow(), settings.data());

    // Commands for a main window act on the last active one, which comes forward.
    QTest::keyClick(settings, Qt::Key_I, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(infoSheet(one)->property("opened").toBool(), TestWait::bound);
    QVERIFY(!mainViewOf(two)->property("showInfoSheet").toBool());
    QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::focusWindow(), one, TestWait::bound);
    QMetaObject::invokeMethod(infoSheet(one), "close");
    QTRY_VERIFY_WITH_TIMEOUT(!mainViewOf(one)->property("showInfoSheet").toBool(), TestWait::bound);

    QVERIFY(activateSettings());
    QTest::keyClick(settings, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(!sidebarShown(one));
    QVERIFY(sidebarShown(two));

    QVERIFY(activateSettings());
    QTest::keyClick(settings, Qt::Key_3, Qt::ControlModifier);
    QCOMPARE(NavigationState::shared()->sidebarSelectionRaw(), QStringLiteral("mapa"));
    QVERIFY(activateSettings());
    QTest::keyClick(settings, Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(NavigationState::shared()->sidebarSelectionRaw(), QStringLiteral("sismos"));

    // "openFilter" opens the popover of the last active window's list only.
    QTRY_VERIFY_WITH_TIMEOUT(detailScreen(one) && detailScreen(two), TestWait::bound);
    QVERIFY(activateSettings());
    QTest::keyClick(settings, Qt::Key_O, Qt::ControlModifier);
    QVERIFY(detailScreen(one)->property("showFilterPopover").toBool());
    QVERIFY(!detailScreen(two)->property("showFilterPopover").toBool());

    // Once the other main window was used, it is the one the commands act on.
    two->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(two, TestWait::bound));
    QVERIFY(activateSettings());
    QTest::keyClick(settings, Qt::Key_I, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(infoSheet(two)->property("opened").toBool(), TestWait::bound);
    QVERIFY(!mainViewOf(one)->property("showInfoSheet").toBool());

    // With that window closed, the remaining one takes the commands.
    two->close();
    QTRY_COMPARE_WITH_TIMEOUT(WindowScenes::shared()->mainWindowCount(), 1, TestWait::bound);
    QCOMPARE(WindowScenes::shared()->lastActiveMainWindow(), one);
}

void TestShellWindow::compactLayoutHasThreeTabsOnOneRepository()
{
    // On a store of its own, which every tab's screen reads.
    auto opened = ModelContainer::open({QString(), true});
    QVERIFY(opened);
    std::unique_ptr<ModelContainer> store = std::move(*opened);
    QQmlComponent component(m_engine, QUrl(QStringLiteral("qrc:/Sismovantaquelorin/MainTabView.qml")));
    std::unique_ptr<QObject> object(
        component.createWithInitialProperties({{QStringLiteral("context"), QVariant::fromValue(store->mainContext())}}));
    QVERIFY2(object, qPrintable(component.errorString()));
    auto *view = qobject_cast<QQuickItem *>(object.get());
    QQuickWindow window;
    view->setParentItem(window.contentItem());
    view->setSize(QSizeF(420, 700));
    window.resize(420, 700);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window, TestWait::bound));

    const QVariantList tabs = view->property("tabs").toList();
    QCOMPARE(tabs.size(), 3);
    QCOMPARE(tabs.at(2).toMap().value("title").toString(), QStringLiteral("Estadísticas"));
    QCOMPARE(tabs.at(0).toMap().value("icon").toString(), QStringLiteral("list.bullet.rectangle"));

    auto *sismos = view->findChild<QObject *>(QStringLiteral("tab_sismos"));
    auto *mapa = view->findChild<QObject *>(QStringLiteral("tab_mapa"));
    QTRY_VERIFY_WITH_TIMEOUT(sismos->property("item").value<QObject *>(), TestWait::bound);
    QVERIFY(!mapa->property("item").value<QObject *>());  // built when first chosen
    // A tab keeps its screen's state while another is shown.
    QObject *latestModel = sismos->property("item").value<QObject *>()->property("viewModel").value<QObject *>();
    latestModel->setProperty("selectedFilter", QStringLiteral("low"));

    auto *mapButton = QuickItems::find(view, QStringLiteral("tabButton_mapa"));
    QTest::mouseClick(&window, Qt::LeftButton, {},
                      mapButton->mapToScene(QPointF(mapButton->width() / 2, mapButton->height() / 2)).toPoint());
    QTRY_VERIFY_WITH_TIMEOUT(mapa->property("item").value<QObject *>(), TestWait::bound);
    QObject *repository = view->property("repository").value<QObject *>();
    QVERIFY(repository);
    QCOMPARE(sismos->property("item").value<QObject *>()->property("repository").value<QObject *>(), repository);
    QCOMPARE(mapa->property("item").value<QObject *>()->property("repository").value<QObject *>(), repository);
    QVERIFY(sismos->property("item").value<QObject *>());  // the first tab is kept
    view->setProperty("currentIndex", 0);
    QObject *latest = sismos->property("item").value<QObject *>();
    QVERIFY(latest->property("isActive").toBool());
    QCOMPARE(latest->property("viewModel").value<QObject *>(), latestModel);
    QCOMPARE(latestModel->property("selectedFilter").toString(), QStringLiteral("low"));

    view->setProperty("currentIndex", 2);
    auto *stats = view->findChild<QObject *>(QStringLiteral("tab_estadisticas"));
    QTRY_VERIFY_WITH_TIMEOUT(stats->property("item").value<QObject *>(), TestWait::bound);
    for (QObject *tab : {sismos, mapa, stats}) {
        QCOMPARE(tab->property("item").value<QObject *>()->property("context").value<QObject *>(),
                 static_cast<QObject *>(store->mainContext()));
    }
}

int main(int argc, char *argv[])
{
    return runAppTestInOwnHome<TestShellWindow>(argc, argv);
}

#include "tst_shell_window.moc"
