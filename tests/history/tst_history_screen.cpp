// The history screen as drawn: which content shows, the load-more row, the search field, the
// filter sheet and the named notifications, over pushed details and section changes.
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/Localization.h"
#include "Platform/NamedNotifications.h"
#include "ViewModels/HistoricoViewModel.h"

#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlExpression>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

#include "MenuWalk.h"
#include "QuickItems.h"
#include "TestWait.h"

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

namespace {

QStringList g_warnings;
void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg && !message.contains(QLatin1String("XDG_RUNTIME_DIR")))
        g_warnings << message;
}

struct Screen {
    QTemporaryDir dir;
    std::unique_ptr<ModelContainer> store;
    HistoricoViewModel *vm = nullptr;
    QQmlEngine engine;
    QQuickWindow window;
    QQuickItem *root = nullptr;

    explicit Screen(int events)
    {
        store = std::move(*ModelContainer::open({dir.filePath(QStringLiteral("s.sqlite")), false}));
        const QDateTime newest(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
        for (int i = 0; i < events; ++i) {
            store->mainContext()->insert(std::make_shared<Earthquake>(
                QStringLiteral("ev%1").arg(i, 4, 10, QLatin1Char('0')), newest.addSecs(-qint64(i) * 86400), 28, -16,
                10, 2.0, QStringLiteral("mbLg"), std::nullopt, i % 2 ? QStringLiteral("LA PALMA") : QStringLiteral("TENERIFE")));
        }
        store->mainContext()->save();
        vm = new HistoricoViewModel(&engine);
        vm->setDebounceInterval(0);
        engine.addImportPath(QStringLiteral("qrc:/"));
    }
    ~Screen()
    {
        window.hide();
        destroy();
    }
    void destroy()
    {
        if (!root)
            return;
        root->setParentItem(nullptr);
        delete root;  // as the main window does when another section is chosen
        root = nullptr;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    bool show(QSize size = QSize(900, 640))
    {
        root = QuickItems::show(engine, window, QUrl(QStringLiteral("qrc:/Sismovantaquelorin/HistoricoView.qml")),
                                {{QStringLiteral("context"), QVariant::fromValue(store->mainContext())},
                                 {QStringLiteral("viewModel"), QVariant::fromValue(vm)}},
                                size);
        return root;
    }
    // Opens the sheet with its state in `mode` and the newest year chosen.
    QObject *openSheet(int mode)
    {
        root->setProperty("showFilterSheet", true);
        if (!QTest::qWaitFor([this] { return sheetOpen(); }, TestWait::bound))
            return nullptr;
        auto *state = qvariant_cast<QObject *>(sheet()->property("state"));
        state->setProperty("mode", mode);
        state->setProperty("selectedYear", vm->availableYears().value(0));
        return state;
    }
    QQuickItem *item(const char *name) const { return QuickItems::find(window.contentItem(), QLatin1String(name)); }
    QObject *find(const char *name) const { return root->findChild<QObject *>(QString::fromLatin1(name)); }
    bool shown(const char *name) const
    {
        auto *item = qobject_cast<QQuickItem *>(find(name));
        return item && item->isVisible();
    }
    QString state() const { return root->property("screenState").toString(); }
    QObject *sheet() const { return find("filterSheet"); }
    bool sheetOpen() const { return sheet() && sheet()->property("opened").toBool(); }
    void openFirstRow()
    {
        auto *list = qobject_cast<QQuickItem *>(find("historicoList"));
        for (QQuickItem *child : list->property("contentItem").value<QQuickItem *>()->childItems()) {
            if (child->metaObject()->indexOfSignal("opened(QVariant)") >= 0 && child->property("index").toInt() == 0) {
                QMetaObject::invokeMethod(child, "clicked");
                return;
            }
        }
        QFAIL("no first row");
    }
    int depth() const { return root->property("depth").toInt(); }
};

}  // namespace

class TestHistoryScreen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Localization::setTableForTesting({});
        qInstallMessageHandler(collectWarnings);
    }
    void init() { g_warnings.clear(); }
    void cleanup() { QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join(QLatin1Char('\n')))); }

    void contentStates_data()
    {
        QTest::addColumn<int>("events");
        QTest::addColumn<bool>("holdLoads");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QByteArray>("shownItem");
        QTest::addColumn<bool>("loadMore");
        QTest::newRow("loading") << 10 << true << "loading" << QByteArray("loadingState") << false;
        QTest::newRow("empty") << 0 << false << "empty" << QByteArray("emptyState") << false;
        QTest::newRow("one page") << 50 << false << "list" << QByteArray("historicoList") << false;
        QTest::newRow("more pages") << 51 << false << "list" << QByteArray("historicoList") << true;
    }
    void contentStates()
    {
        QFETCH(int, events);
        QFETCH(bool, holdLoads);
        QFETCH(QString, state);
        QFETCH(QByteArray, shownItem);
        QFETCH(bool, loadMore);
        Screen s(events);
        s.vm->setHoldsLoads(holdLoads);
        QVERIFY(s.show());
        // The first page is read on appearance, straight away: "no results" never flashes first.
        QCOMPARE(s.state(), state);
        QVERIFY(s.shown(shownItem.constData()));
        QCOMPARE(s.shown("loadMoreButton"), loadMore);
        if (loadMore) {
            QMetaObject::invokeMethod(s.find("loadMoreButton"), "clicked");
            QCOMPARE(s.vm->loadedCount(), 51);
            QVERIFY(!s.shown("loadMoreButton"));
        }
    }

    void qmlBuildsFilters()
    {
        Screen s(3);
        QVERIFY(s.show());
        auto run = [&](const char *code) {
            QQmlExpression e(s.engine.contextForObject(s.root), s.root, QString::fromLatin1(code));
            e.evaluate();
            QVERIFY2(!e.hasError(), qPrintable(e.error().toString()));
        };
        run("viewModel.applyFilter(viewModel.yearMonthFilter(2025))");
        QCOMPARE(s.vm->filterMode(), DateFilterMode::yearMonth(2025));
        run("viewModel.applyFilter(viewModel.yearMonthFilter(2025, 4))");
        QCOMPARE(s.vm->filterMode(), DateFilterMode::yearMonth(2025, 4));
        run("viewModel.applyFilter(viewModel.noFilter())");
        QVERIFY(s.vm->filterMode().isNone());
        QVERIFY(s.root->property("viewModel").value<HistoricoViewModel *>()->filterMode().isNone());
    }

    void loadMoreRowWhileLoading()
    {
        Screen s(120);
        QVERIFY(s.show());
        s.vm->setHoldsLoads(true);
        s.vm->loadMore();
        QVERIFY(s.shown("loadMoreButton"));
        QVERIFY(!s.find("loadMoreButton")->property("enabled").toBool());
        QVERIFY(s.shown("loadMoreProgress"));
        QVERIFY(!s.shown("loadMoreLabel"));
    }

    void searchAndItsClosing()
    {
        Screen s(60);
        QVERIFY(s.show());
        QObject *field = s.find("searchField");
        field->setProperty("text", QStringLiteral("palma"));
        QCOMPARE(s.vm->searchText(), QStringLiteral("palma"));
        QTRY_COMPARE_WITH_TIMEOUT(s.vm->listModel()->count(), 25, TestWait::bound);
        field->setProperty("text", QStringLiteral("zzzz"));
        QTRY_COMPARE_WITH_TIMEOUT(s.vm->listModel()->count(), 0, TestWait::bound);
        QCOMPARE(s.state(), QStringLiteral("list"));  // loaded events exist: an empty list, not the empty state
        // Closing the search clears it, and the whole loaded list returns.
        s.root->setProperty("isSearchPresented", true);
        s.root->setProperty("isSearchPresented", false);
        QCOMPARE(s.vm->searchText(), QString());
        QCOMPARE(field->property("text").toString(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(s.vm->listModel()->count(), 50, TestWait::bound);
    }

    void notificationsActOnlyOnTheListPage()
    {
        Screen s(60);
        QVERIFY(s.show());
        QVERIFY(s.root->property("isActive").toBool());
        NamedNotifications::defaultCenter()->post(NamedNotifications::focusSearch);
        QVERIFY(s.root->property("isSearchPresented").toBool());
        s.root->setProperty("isSearchPresented", false);

        // Over a pushed detail: nothing happens, then or later.
        s.vm->loadMore();
        QCOMPARE(s.vm->loadedCount(), 60);
        s.openFirstRow();
        QCOMPARE(s.depth(), 2);
        QVERIFY(!s.root->property("isActive").toBool());
        NamedNotifications::defaultCenter()->post(NamedNotifications::openFilter);
        NamedNotifications::defaultCenter()->post(NamedNotifications::focusSearch);
        QVERIFY(!s.root->property("showFilterSheet").toBool());
        QVERIFY(!s.root->property("isSearchPresented").toBool());

        // A pop is an appearance: page 1 again.
        QMetaObject::invokeMethod(s.root->property("currentItem").value<QObject *>(), "goBack");
        QTRY_VERIFY_WITH_TIMEOUT(s.root->property("isActive").toBool(), TestWait::bound);
        QCOMPARE(s.vm->loadedCount(), 50);
        QVERIFY(!s.sheetOpen());
        NamedNotifications::defaultCenter()->post(NamedNotifications::openFilter);
        QTRY_VERIFY_WITH_TIMEOUT(s.sheetOpen(), TestWait::bound);
    }

    void sheetAppliesAndCancels()
    {
        Screen s(400);
        QVERIFY(s.show());
        s.root->setProperty("showFilterSheet", true);
        QTRY_VERIFY_WITH_TIMEOUT(s.sheetOpen(), TestWait::bound);
        QObject *state = qvariant_cast<QObject *>(s.sheet()->property("state"));
        QVERIFY(state);
        state->setProperty("mode", 1);
        state->setProperty("selectedYear", 2025);
        QMetaObject::invokeMethod(s.find("cancelButton"), "clicked");
        QTRY_VERIFY_WITH_TIMEOUT(!s.sheetOpen(), TestWait::bound);
        QVERIFY(s.vm->filterMode().isNone());
        QTRY_VERIFY_WITH_TIMEOUT(!s.root->property("showFilterSheet").toBool(), TestWait::bound);

        // Reopened: a fresh state on the filter in force; applied, the list reloads and the sheet closes.
        s.root->setProperty("showFilterSheet", true);
        QTRY_VERIFY_WITH_TIMEOUT(s.sheetOpen(), TestWait::bound);
        state = qvariant_cast<QObject *>(s.sheet()->property("state"));
        QCOMPARE(state->property("mode").toInt(), 0);
        state->setProperty("mode", 1);
        state->setProperty("selectedYear", 2025);
        QMetaObject::invokeMethod(s.find("applyButton"), "clicked");
        QTRY_VERIFY_WITH_TIMEOUT(!s.sheetOpen(), TestWait::bound);
        QTRY_VERIFY_WITH_TIMEOUT(!s.root->property("showFilterSheet").toBool(), TestWait::bound);
        QCOMPARE(s.vm->filterMode(), DateFilterMode::yearMonth(2025));
        QCOMPARE(s.find("filterButton")->property("symbol").toString(),
                 QStringLiteral("line.3.horizontal.decrease.circle.fill"));

        // The clear button shows for the filter in force and applies no filter.
        s.root->setProperty("showFilterSheet", true);
        QTRY_VERIFY_WITH_TIMEOUT(s.sheetOpen(), TestWait::bound);
        QTRY_VERIFY_WITH_TIMEOUT(s.find("clearButton"), TestWait::bound);
        QMetaObject::invokeMethod(s.find("clearButton"), "clicked");
        QTRY_VERIFY_WITH_TIMEOUT(!s.root->property("showFilterSheet").toBool(), TestWait::bound);
        QVERIFY(s.vm->filterMode().isNone());
        s.vm->applyFilter(DateFilterMode::yearMonth(2025));

        // Escape cancels; Return applies.
        s.root->setProperty("showFilterSheet", true);
        QTRY_VERIFY_WITH_TIMEOUT(s.sheetOpen(), TestWait::bound);
        state = qvariant_cast<QObject *>(s.sheet()->property("state"));
        QCOMPARE(state->property("selectedYear").toInt(), 2025);
        state->setProperty("mode", 0);
        QTest::keyClick(&s.window, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!s.root->property("showFilterSheet").toBool(), TestWait::bound);
        QCOMPARE(s.vm->filterMode(), DateFilterMode::yearMonth(2025));
        s.root->setProperty("showFilterSheet", true);
        QTRY_VERIFY_WITH_TIMEOUT(s.sheetOpen(), TestWait::bound);
        state = qvariant_cast<QObject *>(s.sheet()->property("state"));
        state->setProperty("mode", 0);
        QTest::keyClick(&s.window, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!s.root->property("showFilterSheet").toBool(), TestWait::bound);
        QVERIFY(s.vm->filterMode().isNone());
    }

    // The sheet's menus, at the main window's default size and on a short, narrow window:
    // every choice can be reached and clicked.
    void menusStayInsideTheWindow_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("picker");
        for (const QSize size : {QSize(1100, 720), QSize(640, 400)}) {
            for (const char *picker : {"yearPicker", "monthPicker"})
                QTest::addRow("%dx%d %s", size.width(), size.height(), picker) << size << QString::fromLatin1(picker);
        }
    }
    void menusStayInsideTheWindow()
    {
        QFETCH(QSize, size);
        QFETCH(QString, picker);
        Screen s(400);
        QVERIFY(s.show(size));
        QVERIFY(s.openSheet(1));
        QQuickItem *item = QuickItems::find(s.window.contentItem(), picker);
        QTRY_VERIFY_WITH_TIMEOUT(item && item->isVisible(), TestWait::bound);
        const QStringList faults = MenuWalk::walk(&s.window, item);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // Each calendar opens inside the window and off the sheet's buttons, and a click picks a day.
    void calendarsLeaveTheButtonsFree_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("row");
        for (const QSize size : {QSize(1100, 720), QSize(640, 400)}) {
            for (const char *row : {"startRow", "endRow"})
                QTest::addRow("%dx%d %s", size.width(), size.height(), row) << size << QString::fromLatin1(row);
        }
    }
    void calendarsLeaveTheButtonsFree()
    {
        QFETCH(QSize, size);
        QFETCH(QString, row);
        Screen s(10);
        QVERIFY(s.show(size));
        QObject *state = s.openSheet(2);
        QVERIFY(state);
        QQuickItem *rowItem = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((rowItem = QuickItems::find(s.window.contentItem(), row)), TestWait::bound);
        QQuickItem *picker = QuickItems::find(rowItem, QStringLiteral("datePicker"));
        QQuickItem *button = QuickItems::find(picker, QStringLiteral("calendarButton"));
        button->forceActiveFocus(Qt::TabFocusReason);  // the form scrolls it into view
        QVERIFY(MenuWalk::settle(&s.window));
        QTest::mouseClick(&s.window, Qt::LeftButton, {}, MenuWalk::sceneRect(button).center().toPoint());
        QTRY_VERIFY_WITH_TIMEOUT(picker->property("calendarOpen").toBool(), TestWait::bound);

        auto *calendar = picker->findChild<QObject *>(QStringLiteral("calendarPopup"));
        QQuickItem *panel = calendar->property("contentItem").value<QQuickItem *>()->parentItem();
        QVERIFY(MenuWalk::settle(&s.window));
        const QRectF shown = MenuWalk::sceneRect(panel);
        QVERIFY2(QRectF(0, 0, size.width(), size.height()).contains(shown), qPrintable(QStringLiteral("%1,%2 %3x%4")
                     .arg(shown.x()).arg(shown.y()).arg(shown.width()).arg(shown.height())));
        for (const char *name : {"cancelButton", "applyButton"})
            QVERIFY2(!shown.intersects(MenuWalk::sceneRect(s.item(name))), name);

        // A click on a day the other bound allows picks it.
        QQuickItem *grid = QuickItems::find(panel, QStringLiteral("monthGrid"));
        QQuickItem *day = nullptr;
        for (QQuickItem *cell : QuickItems::all(grid))
            if (!day && cell->property("inMonth").toBool() && cell->property("selectable").toBool()
                && !cell->property("chosen").toBool())
                day = cell;
        QVERIFY(day);
        const int key = day->property("key").toInt();
        QTest::mouseClick(&s.window, Qt::LeftButton, {}, MenuWalk::sceneRect(day).center().toPoint());
        QTRY_VERIFY_WITH_TIMEOUT(!picker->property("calendarOpen").toBool(), TestWait::bound);
        QCOMPARE(picker->property("dayKey").toInt(), key);
    }

    // The month section's header is a text of its own; the picker keeps the short title.
    void monthHeaderAndTitle_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("title");
        QTest::newRow("es") << "es_ES" << "Mes (opcional)" << "Mes";
        QTest::newRow("en") << "en_US" << "Month (optional)" << "Month";
    }
    void monthHeaderAndTitle()
    {
        QFETCH(QString, locale);
        QFETCH(QString, header);
        QFETCH(QString, title);
        Localization::setTableForTesting({
            {QStringLiteral("en"), {{QStringLiteral("filter.month"), QStringLiteral("Month")},
                                    {QStringLiteral("filter.month.header"), QStringLiteral("Month (optional)")}}},
            {QStringLiteral("es"), {{QStringLiteral("filter.month"), QStringLiteral("Mes")},
                                    {QStringLiteral("filter.month.header"), QStringLiteral("Mes (opcional)")}}},
        });
        Localization::setLocaleForTesting(QLocale(locale));
        Screen s(10);
        QVERIFY(s.show());
        QVERIFY(s.openSheet(1));
        QQuickItem *picker = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((picker = s.item("monthPicker")), TestWait::bound);
        const QString shownTitle = picker->property("title").toString();
        const QString shownHeader = s.item("monthSection")->property("header").toString();
        Localization::setTableForTesting({});
        Localization::setLocaleForTesting(QLocale::c());
        QCOMPARE(shownHeader, header);
        QCOMPARE(shownTitle, title);
    }

    void typedDaysOutsideTheOtherBoundAreRefused()
    {
        Screen s(10);
        QVERIFY(s.show());
        s.root->setProperty("showFilterSheet", true);
        QTRY_VERIFY_WITH_TIMEOUT(s.sheetOpen(), TestWait::bound);
        QObject *state = qvariant_cast<QObject *>(s.sheet()->property("state"));
        state->setProperty("mode", 2);
        QTRY_VERIFY_WITH_TIMEOUT(s.find("startRow"), TestWait::bound);
        QObject *start = s.find("startRow")->findChild<QObject *>(QStringLiteral("datePicker"));
        QObject *field = start->findChild<QObject *>(QStringLiteral("dateField"));
        const int end = state->property("rangeEndKey").toInt();
        auto textOf = [&](int key) {
            QVariant text;
            QMetaObject::invokeMethod(start, "text", Q_RETURN_ARG(QVariant, text), Q_ARG(QVariant, key));
            return text.toString();
        };
        const QString held = field->property("text").toString();
        const int heldKey = state->property("rangeStartKey").toInt();
        // A day after the end: refused, the field shows the held day again.
        field->setProperty("text", textOf(end + 10000));  // a year later
        QMetaObject::invokeMethod(start, "commitTyped");
        QCOMPARE(state->property("rangeStartKey").toInt(), heldKey);
        QCOMPARE(field->property("text").toString(), held);
        // Text that is no day at all: refused the same way.
        field->setProperty("text", QStringLiteral("31 de nada"));
        QMetaObject::invokeMethod(start, "commitTyped");
        QCOMPARE(state->property("rangeStartKey").toInt(), heldKey);
        QCOMPARE(field->property("text").toString(), held);
        // A day before the end is taken.
        field->setProperty("text", textOf(20260101));
        QMetaObject::invokeMethod(start, "commitTyped");
        QCOMPARE(state->property("rangeStartKey").toInt(), 20260101);
        QCOMPARE(field->property("text").toString(), textOf(20260101));
    }

    void sectionChangeWithTheSheetOpen()
    {
        Screen s(60);
        QVERIFY(s.show());
        s.root->setProperty("showFilterSheet", true);
        QTRY_VERIFY_WITH_TIMEOUT(s.sheetOpen(), TestWait::bound);
        QPointer<QObject> sheet = s.sheet();
        s.destroy();
        QVERIFY(!sheet);
        // Nothing of the screen is left in the window's overlay, and later posts reach nothing.
        NamedNotifications::defaultCenter()->post(NamedNotifications::openFilter);
        NamedNotifications::defaultCenter()->post(NamedNotifications::focusSearch);
        QTest::qWait(50);
        const auto popups = s.window.contentItem()->findChildren<QQuickItem *>();
        for (QQuickItem *item : popups)
            QVERIFY2(!item->isVisible() || item->objectName() != QLatin1String("filterSheet"), "a sheet is left");
        QCOMPARE(s.window.contentItem()->childItems().size(), 1);  // the overlay only
    }
};

QTEST_MAIN(TestHistoryScreen)
#include "tst_history_screen.moc"
