// The shell's logic without a window: sections, the shared selection, the sidebar toggle, the
// first-launch permission request, the activation notification and the menu commands.
#include "Desktop/AppCommands.h"
#include "Desktop/ColumnVisibility.h"
#include "Desktop/FirstLaunchPermission.h"
#include "Desktop/NavigationState.h"
#include "Desktop/ScenePhaseWatcher.h"
#include "Desktop/SidebarItem.h"
#include "Notifications/NotificationSettings.h"
#include "Platform/NamedNotifications.h"
#include "Platform/UserDefaults.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Records each question; answers only when told to, as the real sender answers later.
class FakeRequester : public PermissionRequester {
public:
    void requestAuthorization(QObject *context, std::function<void(bool)> answer) override
    {
        ++asked;
        flagWhenAsked = defaults ? defaults->boolValue(FirstLaunchPermission::hasAskedKey) : false;
        pending.append({QPointer<QObject>(context), std::move(answer)});
    }
    void answerAll(bool granted)
    {
        for (auto &[context, answer] : pending)
            if (context)
                answer(granted);
        pending.clear();
    }

    UserDefaults *defaults = nullptr;
    int asked = 0;
    bool flagWhenAsked = false;
    QList<std::pair<QPointer<QObject>, std::function<void(bool)>>> pending;
};

QStringList recordPosts(const std::function<void()> &action)
{
    QStringList names;
    QObject receiver;
    QObject::connect(NamedNotifications::defaultCenter(), &NamedNotifications::posted, &receiver,
                     [&](const QString &name) { names.append(name); });
    action();
    return names;
}

}  // namespace

class TestShellLogic : public QObject {
    Q_OBJECT

private slots:
    void init() { NavigationState::shared()->setSidebarSelection(SidebarItem::sismos); }

    void sidebarItems_data();
    void sidebarItems();
    void sidebarItemsRejectUnknownRawValues();

    void navigationStateStartsAtLatestEventsAndAnnouncesEveryAssignment();

    void toggleSidebar_data();
    void toggleSidebar();

    void firstLaunchAsksOnceAndStoresTheAnswer_data();
    void firstLaunchAsksOnceAndStoresTheAnswer();
    void laterLaunchesAskNothing();

    void activation_data();
    void activation();

    void commands_data();
    void commands();
    void menusKeepTheirOrderAndSeparators();
    void unknownCommandDoesNothing();
};

void TestShellLogic::sidebarItems_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("icon");
    QTest::newRow("sismos") << int(SidebarItem::sismos) << "sismos" << "Sismos" << "list.bullet.rectangle";
    QTest::newRow("historico") << int(SidebarItem::historico) << "historico" << "Histórico" << "tray.full";
    QTest::newRow("mapa") << int(SidebarItem::mapa) << "mapa" << "Mapa" << "map";
    QTest::newRow("stats") << int(SidebarItem::stats) << "stats" << "Estadísticas" << "chart.bar.xaxis";
}

void TestShellLogic::sidebarItems()
{
    QFETCH(int, item);
    QFETCH(QString, raw);
    QFETCH(QString, label);
    QFETCH(QString, icon);
    const auto value = SidebarItem::Case(item);
    QCOMPARE(SidebarItem::allCases().indexOf(value), item);  // declaration order
    QCOMPARE(SidebarItem::rawValue(value), raw);
    QCOMPARE(SidebarItem::fromRawValue(raw), std::optional(value));
    QCOMPARE(SidebarItem::label(value), label);
    QCOMPARE(SidebarItem::icon(value), icon);

    const QVariantMap row = NavigationState::shared()->sidebarItems().at(item).toMap();
    QCOMPARE(row.value("id").toString(), raw);
    QCOMPARE(row.value("label").toString(), label);
    QCOMPARE(row.value("icon").toString(), icon);
}

void TestShellLogic::sidebarItemsRejectUnknownRawValues()
{
    QCOMPARE(SidebarItem::allCases().size(), 4);
    for (const char *raw : {"", "Sismos", "estadisticas", "stats "})
        QVERIFY2(!SidebarItem::fromRawValue(QString::fromLatin1(raw)), raw);
}

void TestShellLogic::navigationStateStartsAtLatestEventsAndAnnouncesEveryAssignment()
{
    NavigationState *state = NavigationState::shared();
    QCOMPARE(state->sidebarSelectionRaw(), QStringLiteral("sismos"));
    QSignalSpy spy(state, &NavigationState::sidebarSelectionChanged);

    state->setSidebarSelection(SidebarItem::sismos);  // the same value still announces
    QCOMPARE(spy.size(), 1);
    state->setSidebarSelectionRaw(QStringLiteral("mapa"));
    QCOMPARE(state->sidebarSelection(), std::optional(SidebarItem::mapa));
    state->setSidebarSelectionRaw(QString());  // the list cleared its selection
    QCOMPARE(state->sidebarSelection(), std::nullopt);
    QCOMPARE(state->sidebarSelectionRaw(), QString());
    QCOMPARE(spy.size(), 3);
}

void TestShellLogic::toggleSidebar_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("all columns") << int(ColumnVisibility::All) << int(ColumnVisibility::DetailOnly);
    QTest::newRow("two columns") << int(ColumnVisibility::DoubleColumn) << int(ColumnVisibility::DetailOnly);
    QTest::newRow("automatic") << int(ColumnVisibility::Automatic) << int(ColumnVisibility::DetailOnly);
    QTest::newRow("detail only") << int(ColumnVisibility::DetailOnly) << int(ColumnVisibility::All);
}

void TestShellLogic::toggleSidebar()
{
    QFETCH(int, from);
    QFETCH(int, to);
    ColumnVisibility columns;
    QCOMPARE(columns.value(), ColumnVisibility::All);  // a new window shows every column
    columns.setValue(ColumnVisibility::Value(from));
    columns.toggle();
    QCOMPARE(int(columns.value()), to);
    QCOMPARE(columns.showsSidebar(), to != ColumnVisibility::DetailOnly);
}

void TestShellLogic::firstLaunchAsksOnceAndStoresTheAnswer_data()
{
    QTest::addColumn<bool>("granted");
    QTest::addColumn<bool>("enabledBefore");
    QTest::newRow("granted") << true << false;
    QTest::newRow("refused switches alerts off") << false << true;
}

void TestShellLogic::firstLaunchAsksOnceAndStoresTheAnswer()
{
    QFETCH(bool, granted);
    QFETCH(bool, enabledBefore);
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath("defaults.conf"));
    NotificationSettings settings(defaults);
    settings.setIsEnabled(enabledBefore);
    FakeRequester requester;
    requester.defaults = &defaults;

    auto view = std::make_unique<FirstLaunchPermission>(defaults, settings, requester);
    QVERIFY(view->requestNotificationPermissionOnFirstLaunch());
    QCOMPARE(requester.asked, 1);
    QVERIFY(requester.flagWhenAsked);  // written before asking
    // A second view appearing while the question is open asks nothing.
    FirstLaunchPermission secondWindow(defaults, settings, requester);
    QVERIFY(!secondWindow.requestNotificationPermissionOnFirstLaunch());
    QCOMPARE(requester.asked, 1);

    view.reset();  // the window that asked closes before the answer
    requester.answerAll(granted);
    QCOMPARE(settings.isEnabled(), granted);
    QCOMPARE(UserDefaults(dir.filePath("defaults.conf")).boolValue("notificationsEnabled"), granted);
    QVERIFY(UserDefaults(dir.filePath("defaults.conf")).boolValue(FirstLaunchPermission::hasAskedKey));
}

void TestShellLogic::laterLaunchesAskNothing()
{
    QTemporaryDir dir;
    {
        UserDefaults defaults(dir.filePath("defaults.conf"));
        defaults.setBool(FirstLaunchPermission::hasAskedKey, true);
        defaults.setBool(QStringLiteral("notificationsEnabled"), true);
        defaults.sync();
    }
    UserDefaults defaults(dir.filePath("defaults.conf"));  // the next launch
    NotificationSettings settings(defaults);
    FakeRequester requester;
    FirstLaunchPermission routine(defaults, settings, requester);
    QSignalSpy changes(&settings, &NotificationSettings::isEnabledChanged);
    QVERIFY(!routine.requestNotificationPermissionOnFirstLaunch());
    QCOMPARE(requester.asked, 0);
    QCOMPARE(changes.size(), 0);
    QVERIFY(settings.isEnabled());
}

void TestShellLogic::activation_data()
{
    QTest::addColumn<QList<int>>("states");
    QTest::addColumn<int>("posts");
    const int active = Qt::ApplicationActive, inactive = Qt::ApplicationInactive;
    const int hidden = Qt::ApplicationHidden, suspended = Qt::ApplicationSuspended;
    QTest::newRow("first state active") << QList<int>{active} << 0;
    QTest::newRow("first state inactive") << QList<int>{inactive} << 0;
    QTest::newRow("launch then return") << QList<int>{inactive, active} << 1;
    QTest::newRow("active, away, back") << QList<int>{active, inactive, active} << 1;
    QTest::newRow("leaving posts nothing") << QList<int>{active, inactive, hidden, suspended} << 0;
    QTest::newRow("every return posts") << QList<int>{active, inactive, active, hidden, active} << 2;
    QTest::newRow("a repeated state is no change") << QList<int>{inactive, active, active} << 1;
}

void TestShellLogic::activation()
{
    QFETCH(QList<int>, states);
    QFETCH(int, posts);
    ScenePhaseWatcher watcher(NamedNotifications::defaultCenter(), false);
    const QStringList names = recordPosts([&] {
        for (int state : states)
            watcher.applicationStateChanged(Qt::ApplicationState(state));
    });
    QCOMPARE(names, QStringList(posts, NamedNotifications::appDidBecomeActive));
}

void TestShellLogic::commands_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<QString>("posts");
    QTest::addColumn<QString>("section");
    QTest::newRow("refresh") << "refresh" << "Actualizar terremotos" << "Ctrl+R" << "appDidBecomeActive" << "";
    QTest::newRow("sidebar") << "toggleSidebar" << "Mostrar/Ocultar barra lateral" << "Ctrl+Shift+S" << "toggleSidebar" << "";
    QTest::newRow("settings") << "settings" << "Ajustes" << "Ctrl+," << "openSettings" << "";
    QTest::newRow("sismos") << "nav.sismos" << "Sismos" << "Ctrl+1" << "" << "sismos";
    QTest::newRow("historico") << "nav.historico" << "Histórico" << "Ctrl+2" << "" << "historico";
    QTest::newRow("mapa") << "nav.mapa" << "Mapa" << "Ctrl+3" << "" << "mapa";
    QTest::newRow("stats") << "nav.stats" << "Estadísticas" << "Ctrl+4" << "" << "stats";
    QTest::newRow("info") << "info" << "Información" << "Ctrl+I" << "openInfo" << "";
    QTest::newRow("filters") << "openFilter" << "Abrir filtros" << "Ctrl+O" << "openFilter" << "";
}

void TestShellLogic::commands()
{
    QFETCH(QString, id);
    QFETCH(QString, title);
    QFETCH(QString, shortcut);
    QFETCH(QString, posts);
    QFETCH(QString, section);
    const AppCommand *command = AppCommands::shared()->command(id);
    QVERIFY(command);
    QCOMPARE(command->title(), title);
    QCOMPARE(command->shortcut, QKeySequence(shortcut));

    // Start from a section none of the commands chooses, with no selection at all.
    NavigationState::shared()->setSidebarSelection(std::nullopt);
    const QStringList names = recordPosts([&] { QVERIFY(AppCommands::shared()->trigger(id)); });
    QCOMPARE(names, posts.isEmpty() ? QStringList() : QStringList{posts});
    QCOMPARE(NavigationState::shared()->sidebarSelectionRaw(), section);
}

void TestShellLogic::menusKeepTheirOrderAndSeparators()
{
    // [menu id, then "item" or "-item" for an item after a separator]
    QStringList layout;
    for (const QVariant &m : AppCommands::shared()->menus()) {
        const QVariantMap menu = m.toMap();
        layout << QStringLiteral("[") + menu.value("id").toString() + QStringLiteral("]");
        for (const QVariant &i : menu.value("items").toList()) {
            const QVariantMap item = i.toMap();
            layout << (item.value("separatorBefore").toBool() ? QStringLiteral("-") : QString())
                          + item.value("id").toString();
        }
    }
    QCOMPARE(layout, QStringList({"[app]", "newWindow", "-refresh", "-settings", "-quit", "[view]", "toggleSidebar",
                                  "[navigate]", "nav.sismos", "nav.historico", "nav.mapa", "nav.stats", "-info",
                                  "-openFilter"}));
    QCOMPARE(AppCommands::shared()->menus().at(2).toMap().value("title").toString(), QStringLiteral("Navegar"));
}

void TestShellLogic::unknownCommandDoesNothing()
{
    const QStringList names = recordPosts([] {
        QVERIFY(!AppCommands::shared()->trigger(QStringLiteral("focusSearch")));
        // Without the application's handlers, new window and quit do nothing either.
        QVERIFY(AppCommands::shared()->trigger(QStringLiteral("newWindow")));
        QVERIFY(AppCommands::shared()->trigger(QStringLiteral("quit")));
    });
    QVERIFY(names.isEmpty());
    QCOMPARE(NavigationState::shared()->sidebarSelectionRaw(), QStringLiteral("sismos"));
}

QTEST_MAIN(TestShellLogic)
#include "tst_shell_logic.moc"
