// The latest-events screen as drawn: which state shows, the toolbar's label forms, the popover,
// and catalogue text drawn as plain text.
#include "DataSources/EarthquakeDataSource.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/Localization.h"
#include "Platform/NamedNotifications.h"
#include "Platform/UserDefaults.h"
#include "Repositories/EarthquakeRepository.h"
#include "ViewModels/EarthquakeListViewModel.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

#include "QuickItems.h"
#include "TestWait.h"

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

namespace {

class HeldSource : public EarthquakeDataSource {
public:
    const Region &region() const override { return Region::canaryIslands(); }
    void fetchEarthquakes(QObject *context, FetchCompletion completion) override
    {
        pending = {context, std::move(completion)};
    }
    void fail()
    {
        auto [context, completion] = std::exchange(pending, {});
        if (context && completion)
            completion(Error{Error::Domain::Transport, 1, QStringLiteral("offline")});
    }
    std::pair<QPointer<QObject>, FetchCompletion> pending;
};

struct Screen {
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("d.conf"))};
    std::unique_ptr<ModelContainer> store = std::move(*ModelContainer::open({QString(), true}));
    HeldSource *source = nullptr;
    std::unique_ptr<EarthquakeRepository> repository;
    QQmlEngine engine;
    QQuickWindow window;
    QQuickItem *root = nullptr;

    Screen()
    {
        auto s = std::make_unique<HeldSource>();
        source = s.get();
        EarthquakeRepository::Environment env;
        env.defaults = &defaults;
        env.cooldownTickMs = 20;
        repository = std::make_unique<EarthquakeRepository>(store->mainContext(), std::move(s), env);
        engine.addImportPath(QStringLiteral("qrc:/"));
    }
    ~Screen()
    {
        window.hide();
        if (root) {
            root->setParentItem(nullptr);
            root->deleteLater();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    void addEvent(const QString &id, const QString &location, qint64 secondsAgo = 600)
    {
        store->mainContext()->insert(std::make_shared<Earthquake>(id, QDateTime::currentDateTimeUtc().addSecs(-secondsAgo),
                                                                  28.1, -16.5, 10, 2.4, QStringLiteral("mbLg"),
                                                                  std::nullopt, location));
        QVERIFY(store->mainContext()->save());
    }
    bool show()
    {
        root = QuickItems::show(engine, window, QUrl(QStringLiteral("qrc:/Sismovantaquelorin/EarthquakeListView.qml")),
                                {{QStringLiteral("repository"), QVariant::fromValue(repository.get())},
                                 {QStringLiteral("context"), QVariant::fromValue(store->mainContext())}},
                                QSize(900, 640));
        return root;
    }
    // The window's content, so popup content (in the window's overlay) counts.
    QList<QQuickItem *> allItems() const { return QuickItems::all(window.contentItem()); }
    QQuickItem *find(const char *name) const
    {
        for (QQuickItem *item : allItems()) {
            if (item->objectName() == QLatin1String(name))
                return item;
        }
        return nullptr;
    }
    bool visible(const char *name) const
    {
        QQuickItem *item = find(name);
        return item && item->isVisible();
    }
    QString state() const { return root->property("screenState").toString(); }
    int rows() const { return root->property("listModel").value<QObject *>()->property("count").toInt(); }
    EarthquakeListViewModel *viewModel() const
    {
        return qvariant_cast<EarthquakeListViewModel *>(root->property("viewModel"));
    }
    void click(QQuickItem *item)
    {
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(&window, Qt::LeftButton, {}, centre.toPoint());
    }
};

}  // namespace

class TestLatestScreen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Localization::setTableForTesting({}); }

    void statesFollowTheStoreAndTheRepository()
    {
        Screen s;
        QVERIFY(s.show());
        // The appearance started a refresh: an empty store shows the loading state.
        QVERIFY(s.repository->isLoading());
        QCOMPARE(s.state(), QStringLiteral("loading"));
        QVERIFY(s.visible("loadingState"));
        QVERIFY(!s.find("refreshButton")->isEnabled());

        s.source->fail();  // nothing stored: the empty state
        QCOMPARE(s.state(), QStringLiteral("empty"));
        QVERIFY(s.visible("emptyState"));
        QVERIFY(!s.visible("loadingState"));

        s.addEvent(QStringLiteral("old"), QStringLiteral("VIEJO"), 40 * 86400);  // stored, but not listed
        QCOMPARE(s.state(), QStringLiteral("noResults"));
        QVERIFY(s.visible("noResultsState"));

        s.addEvent(QStringLiteral("new"), QStringLiteral("NUEVO"));
        QCOMPARE(s.state(), QStringLiteral("list"));
        QVERIFY(s.visible("earthquakeList"));
        QVERIFY(s.find("refreshButton")->isEnabled());

        // A user refresh: the button is disabled while it runs and through the cooldown.
        QMetaObject::invokeMethod(s.find("refreshButton"), "clicked");
        QVERIFY(s.repository->isLoading());
        QCOMPARE(s.state(), QStringLiteral("list"));  // stored events stay on screen while loading
        QVERIFY(!s.find("refreshButton")->isEnabled());
        s.source->fail();
        QVERIFY(s.repository->isCoolingDown());
        QVERIFY(!s.find("refreshButton")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!s.repository->isCoolingDown(), TestWait::bound);
        QVERIFY(s.find("refreshButton")->isEnabled());
    }

    void catalogueMarkupIsDrawnAsText()
    {
        Screen s;
        const QString markup = QStringLiteral("<b>NW</b> <i>LA PALMA</i> &amp; <a href=\"x\">link</a>");
        s.addEvent(QStringLiteral("m"), markup);
        QVERIFY(s.show());
        s.source->fail();
        QTRY_COMPARE_WITH_TIMEOUT(s.state(), QStringLiteral("list"), TestWait::bound);
        bool found = false;
        for (QQuickItem *item : s.allItems()) {
            if (QByteArray(item->metaObject()->className()).startsWith("QQuickText")
                && item->property("text").toString() == markup) {
                QCOMPARE(item->property("textFormat").toInt(), 0 /* Text.PlainText */);
                found = true;
            }
        }
        QVERIFY2(found, "the place is drawn with its markup as plain text");
    }

    void filterButtonAndOpenFilterNotification()
    {
        Screen s;
        s.addEvent(QStringLiteral("a"), QStringLiteral("A"));
        QVERIFY(s.show());
        QObject *popover = s.root->findChild<QObject *>(QStringLiteral("filterPopover"));
        QVERIFY(popover);
        QVERIFY(!popover->property("opened").toBool());
        // Not on screen: a post changes nothing, and nothing is replayed later.
        s.root->setVisible(false);
        QVERIFY(!s.root->property("isActive").toBool());
        NamedNotifications::defaultCenter()->post(NamedNotifications::openFilter);
        QVERIFY(!s.root->property("showFilterPopover").toBool());
        s.root->setVisible(true);
        QVERIFY(s.root->property("isActive").toBool());
        QVERIFY(!s.root->property("showFilterPopover").toBool());
        NamedNotifications::defaultCenter()->post(NamedNotifications::openFilter);
        QVERIFY(s.root->property("showFilterPopover").toBool());
        QTRY_VERIFY_WITH_TIMEOUT(popover->property("opened").toBool(), TestWait::bound);

        // A choice sets its filter, keeps the other and keeps the popover open; the icon fills.
        auto *vm = qvariant_cast<EarthquakeListViewModel *>(s.root->property("viewModel"));
        QVERIFY(vm);
        QCOMPARE(s.find("filterButton")->property("symbol").toString(), QStringLiteral("line.3.horizontal.decrease.circle"));
        QQuickItem *minor = s.find("magnitude-low");
        QVERIFY(minor);
        QMetaObject::invokeMethod(minor, "clicked");
        QCOMPARE(vm->selectedFilterRaw(), QStringLiteral("low"));
        QCOMPARE(vm->selectedDateFilterRaw(), QStringLiteral("all"));
        QVERIFY(popover->property("opened").toBool());
        QCOMPARE(s.find("filterButton")->property("symbol").toString(), QStringLiteral("line.3.horizontal.decrease.circle.fill"));
        QMetaObject::invokeMethod(s.find("resetFilters"), "clicked");
        QCOMPARE(vm->selectedFilterRaw(), QStringLiteral("all"));
        QVERIFY(popover->property("opened").toBool());
    }

    // Every way the field's text changes reaches the view model, and the full list returns.
    void searchFieldChangesReachTheList_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("clear button") << QStringLiteral("clearButton");
        QTest::newRow("escape, then escape again closes") << QStringLiteral("escape");
        QTest::newRow("closing the search") << QStringLiteral("close");
        QTest::newRow("programmatic reset") << QStringLiteral("reset");
    }
    void searchFieldChangesReachTheList()
    {
        QFETCH(QString, way);
        Screen s;
        s.addEvent(QStringLiteral("t"), QStringLiteral("NW TENERIFE"));
        s.addEvent(QStringLiteral("p"), QStringLiteral("LA PALMA"));
        QVERIFY(s.show());
        s.source->fail();
        QTRY_COMPARE_WITH_TIMEOUT(s.rows(), 2, TestWait::bound);
        s.window.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&s.window, TestWait::bound));

        QQuickItem *field = s.find("searchField");
        QVERIFY(field);
        s.click(field);  // focusing the field opens the search
        QVERIFY(field->hasActiveFocus());
        QVERIFY(s.root->property("isSearchPresented").toBool());
        for (const char c : {'t', 'e', 'n', 'e'})
            QTest::keyClick(&s.window, c);
        QCOMPARE(s.viewModel()->searchText(), QStringLiteral("tene"));
        QTRY_COMPARE_WITH_TIMEOUT(s.rows(), 1, TestWait::bound);

        if (way == QLatin1String("clearButton")) {
            QQuickItem *clear = s.find("clearSearchButton");
            QVERIFY(clear && clear->isVisible());
            s.click(clear);
            QVERIFY(s.root->property("isSearchPresented").toBool());  // the search stays open
        } else if (way == QLatin1String("escape")) {
            QTest::keyClick(&s.window, Qt::Key_Escape);
            QVERIFY(s.root->property("isSearchPresented").toBool());
        } else if (way == QLatin1String("close")) {
            s.root->setProperty("isSearchPresented", false);
        } else {
            s.viewModel()->setSearchText(QStringLiteral("palma"));
            QCOMPARE(field->property("text").toString(), QStringLiteral("palma"));
            QTRY_COMPARE_WITH_TIMEOUT(s.rows(), 1, TestWait::bound);
            s.viewModel()->setSearchText(QString());
        }
        QCOMPARE(field->property("text").toString(), QString());
        QCOMPARE(s.viewModel()->searchText(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(s.rows(), 2, TestWait::bound);
        if (way == QLatin1String("escape")) {  // on the empty field Escape closes the search
            QTest::keyClick(&s.window, Qt::Key_Escape);
            QVERIFY(!s.root->property("isSearchPresented").toBool());
            QVERIFY(!field->hasActiveFocus());
        }
    }

    // "openFilter" while an event's detail is pushed sets the flag; the popover waits for the
    // list page and opens over it, anchored to the filter button, once the detail is popped.
    void openFilterWaitsForTheListPage()
    {
        Screen s;
        s.addEvent(QStringLiteral("a"), QStringLiteral("A"));
        QVERIFY(s.show());
        s.source->fail();
        QTRY_COMPARE_WITH_TIMEOUT(s.rows(), 1, TestWait::bound);
        QObject *popover = s.root->findChild<QObject *>(QStringLiteral("filterPopover"));
        QVERIFY(popover);

        QQuickItem *row = nullptr;
        for (QQuickItem *item : s.allItems()) {
            if (item->metaObject()->indexOfProperty("earthquake") >= 0 && item->isVisible()
                && item->metaObject()->indexOfSignal("clicked()") >= 0)
                row = item;
        }
        QVERIFY(row);
        QMetaObject::invokeMethod(row, "clicked");
        QTRY_COMPARE_WITH_TIMEOUT(s.root->property("depth").toInt(), 2, TestWait::bound);
        auto *detail = s.root->property("currentItem").value<QQuickItem *>();
        QVERIFY(detail);
        QTRY_VERIFY_WITH_TIMEOUT(detail->property("isOnTop").toBool(), TestWait::bound);

        NamedNotifications::defaultCenter()->post(NamedNotifications::openFilter);
        QVERIFY(s.root->property("showFilterPopover").toBool());
        QTest::qWait(100);
        QVERIFY(!popover->property("visible").toBool());
        QVERIFY(s.root->property("showFilterPopover").toBool());  // still asked for

        QMetaObject::invokeMethod(detail, "goBack");
        QTRY_COMPARE_WITH_TIMEOUT(s.root->property("depth").toInt(), 1, TestWait::bound);
        QTRY_VERIFY_WITH_TIMEOUT(popover->property("opened").toBool(), TestWait::bound);
        // Anchored under the filter button, which is on screen again.
        QQuickItem *button = s.find("filterButton");
        QVERIFY(button->isVisible());
        const QPointF buttonBottom = button->mapToScene(QPointF(0, button->height()));
        QVERIFY(popover->property("y").toReal() >= buttonBottom.y());

        // A dismissal clears the flag.
        QMetaObject::invokeMethod(popover, "close");
        QTRY_VERIFY_WITH_TIMEOUT(!s.root->property("showFilterPopover").toBool(), TestWait::bound);
    }
};

QTEST_MAIN(TestLatestScreen)
#include "tst_latest_screen.moc"
