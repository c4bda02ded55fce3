// The map screen as drawn: markers, the ripple's event, taps, the callout, the detail round
// trip, the filter popover's notification and a teardown with work pending.
#include "DataSources/EarthquakeDataSource.h"
#include "GeoMap.h"
#include "Notifications/NotificationSettings.h"
#include "MarkerLayer.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/Localization.h"
#include "Platform/NamedNotifications.h"
#include "Platform/UserDefaults.h"
#include "Repositories/EarthquakeRepository.h"
#include "ViewModels/EarthquakeListViewModel.h"
#include "ViewModels/MapEarthquakesModel.h"
#include "ViewModels/MapViewModel.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "QuickItems.h"
#include "TestWait.h"
#include <ctime>

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)
Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_MapPlugin)

namespace {

const QDateTime kNow = QDateTime::currentDateTimeUtc();

class HeldSource : public EarthquakeDataSource {
public:
    const Region &region() const override { return Region::canaryIslands(); }
    void fetchEarthquakes(QObject *context, FetchCompletion completion) override
    {
        ++fetches;
        pending = {context, std::move(completion)};
    }
    void fail()
    {
        auto [context, completion] = std::exchange(pending, {});
        if (context && completion)
            completion(Error{Error::Domain::Transport, 1, QStringLiteral("offline")});
    }
    int fetches = 0;
    std::pair<QPointer<QObject>, FetchCompletion> pending;
};

struct Screen {
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("d.conf"))};
    std::unique_ptr<ModelContainer> store =
        std::move(*ModelContainer::open({dir.filePath(QStringLiteral("e.sqlite")), false}));
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
        repository = std::make_unique<EarthquakeRepository>(store->mainContext(), std::move(s), env);
        engine.addImportPath(QStringLiteral("qrc:/"));
    }
    ~Screen() { destroyRoot(); }
    void destroyRoot()
    {
        window.hide();
        if (root) {
            root->setParentItem(nullptr);
            delete root;
            root = nullptr;
        }
    }
    void addEvent(const QString &id, double magnitude, double latitude, double longitude, qint64 secondsAgo,
                  const QString &location = QStringLiteral("NE TENERIFE"))
    {
        store->mainContext()->insert(std::make_shared<Earthquake>(id, kNow.addSecs(-secondsAgo), latitude, longitude,
                                                                  10.6, magnitude, QStringLiteral("mbLg"),
                                                                  std::nullopt, location));
    }
    void save() { QVERIFY(store->mainContext()->save()); }
    bool show()
    {
        root = QuickItems::show(engine, window, QUrl(QStringLiteral("qrc:/Sismovantaquelorin/MapView.qml")),
                                {{QStringLiteral("repository"), QVariant::fromValue(repository.get())},
                                 {QStringLiteral("context"), QVariant::fromValue(store->mainContext())},
                                 {QStringLiteral("tilesEnabled"), false}},
                                QSize(1000, 700));
        return root;
    }
    QQuickItem *find(const char *name) const { return QuickItems::find(window.contentItem(), QLatin1String(name)); }
    MapViewModel *viewModel() const { return root->property("viewModel").value<MapViewModel *>(); }
    MapEarthquakesModel *model() const { return root->property("mapModel").value<MapEarthquakesModel *>(); }
    GeoMap *map() const { return root->property("map").value<GeoMap *>(); }
    MarkerLayer *layer() const { return root->property("markerLayer").value<MarkerLayer *>(); }
    QString selectedID() const { return viewModel()->selectedEarthquake().eventID(); }
    bool calloutShown() const { return find("callout")->isVisible(); }
    // Slid all the way in: its buttons are where a click finds them.
    bool calloutIn() const { return find("callout")->property("presence").toDouble() == 1.0; }
    void tapAt(double latitude, double longitude)
    {
        const QPointF p = map()->mapToScene(map()->fromCoordinate(QGeoCoordinate(latitude, longitude)));
        QTest::mouseClick(&window, Qt::LeftButton, {}, p.toPoint());
    }
    void click(QQuickItem *item)
    {
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(&window, Qt::LeftButton, {}, centre.toPoint());
    }
    bool batchDone() const { return layer()->isBatchCurrent(); }
    QPointF sceneOf(double latitude, double longitude) const
    {
        return map()->mapToScene(map()->fromCoordinate(QGeoCoordinate(latitude, longitude)));
    }
    QGeoCoordinate coordinateAt(const QPointF &scene) const { return map()->toCoordinate(map()->mapFromScene(scene)); }
    // Shows the screen with event "a" selected and its callout in place.
    bool showWithCallout()
    {
        addEvent(QStringLiteral("a"), 3.0, 28.3, -16.0, 600);
        save();
        if (!show())
            return false;
        source->fail();
        viewModel()->setSelectedEarthquake(model()->newest());
        return QTest::qWaitFor([this] { return calloutIn(); }, TestWait::bound);
    }
};

}  // namespace

class TestMapScreen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Localization::setTableForTesting({});
        // The callout's time is UTC whatever the machine's zone.
        qputenv("TZ", "Pacific/Auckland");
        tzset();
    }

    void emptyStoreShowsTheIslands()
    {
        Screen s;
        QVERIFY(s.show());
        QCOMPARE(s.source->fetches, 1);  // one refresh on appearing
        QVERIFY(s.find("loadingIndicator")->isVisible());
        s.source->fail();
        QVERIFY(!s.find("loadingIndicator")->isVisible());
        QCOMPARE(s.layer()->count(), 0);
        QVERIFY(!s.find("newestAnnotation")->isVisible());
        QVERIFY(!s.calloutShown());
        QCOMPARE(s.find("filterButton")->property("symbol").toString(), QStringLiteral("line.3.horizontal.decrease.circle"));
        const QGeoCoordinate centre = s.map()->center();
        QVERIFY(std::abs(centre.latitude() - 28.3) < 0.01 && std::abs(centre.longitude() + 15.8) < 0.01);
        // loading started elsewhere shows too
        s.repository->refresh(true);
        QVERIFY(s.find("loadingIndicator")->isVisible());
        s.source->fail();
    }

    void filtersDecideMarkersAndRipple()
    {
        Screen s;
        s.addEvent(QStringLiteral("strong"), 6.2, 28.3, -16.0, 60);
        s.addEvent(QStringLiteral("moderate"), 4.5, 28.0, -15.5, 3600);
        s.addEvent(QStringLiteral("low"), 2.5, 27.8, -17.0, 7200);
        s.save();
        QVERIFY(s.show());
        s.source->fail();
        QTRY_COMPARE_WITH_TIMEOUT(s.layer()->count(), 3, TestWait::bound);  // the snapshot loads in the background
        QCOMPARE(s.model()->newest().eventID(), QStringLiteral("strong"));
        s.viewModel()->setSelectedFilterRaw(QStringLiteral("moderate"));
        QCOMPARE(s.layer()->count(), 1);  // 6.2 is strong: no marker
        QCOMPARE(s.model()->newest().eventID(), QStringLiteral("moderate"));
        QCOMPARE(s.find("filterButton")->property("symbol").toString(),
                 QStringLiteral("line.3.horizontal.decrease.circle.fill"));
        s.viewModel()->resetFilters();
        QCOMPARE(s.find("filterButton")->property("symbol").toString(), QStringLiteral("line.3.horizontal.decrease.circle"));
        // a save while the map is shown brings its marker in, and the ripple with it
        s.addEvent(QStringLiteral("newest"), 1.2, 27.7, -18.0, 0);
        s.save();
        // merged by the snapshot in the background
        QTRY_COMPARE_WITH_TIMEOUT(s.layer()->count(), 4, TestWait::bound);
        QCOMPARE(s.model()->newest().eventID(), QStringLiteral("newest"));
    }

    void tapsSelectToggleAndMove()
    {
        Screen s;
        s.addEvent(QStringLiteral("newest"), 2.0, 28.6, -17.8, 60);
        s.addEvent(QStringLiteral("a"), 3.0, 28.0, -16.0, 600);
        s.addEvent(QStringLiteral("b"), 4.0, 27.8, -15.4, 900);
        s.save();
        QVERIFY(s.show());
        s.source->fail();
        QTRY_VERIFY_WITH_TIMEOUT(s.batchDone(), TestWait::bound);
        s.tapAt(28.0, -16.0);
        QCOMPARE(s.selectedID(), QStringLiteral("a"));
        QTRY_VERIFY_WITH_TIMEOUT(s.calloutShown(), TestWait::bound);
        QVERIFY(s.find("selectedAnnotation")->isVisible());
        s.tapAt(27.8, -15.4);  // another marker: one step
        QCOMPARE(s.selectedID(), QStringLiteral("b"));
        QVERIFY(s.calloutShown());
        s.tapAt(27.8, -15.4);  // the selected one: cleared, the callout leaves
        QCOMPARE(s.selectedID(), QString());
        QTRY_VERIFY_WITH_TIMEOUT(!s.calloutShown(), TestWait::bound);
        s.tapAt(28.6, -17.8);  // the newest, an annotation of its own
        QCOMPARE(s.selectedID(), QStringLiteral("newest"));
        QTRY_VERIFY_WITH_TIMEOUT(s.calloutShown(), TestWait::bound);
        s.tapAt(29.5, -14.0);  // open sea: nothing
        QCOMPARE(s.selectedID(), QStringLiteral("newest"));
        // the close button clears the selection
        QTRY_VERIFY_WITH_TIMEOUT(s.calloutIn(), TestWait::bound);
        s.click(s.find("closeButton"));
        QCOMPARE(s.selectedID(), QString());
    }

    void calloutStaysWhenAFilterHidesItsEvent()
    {
        Screen s;
        s.addEvent(QStringLiteral("strong"), 6.2, 28.0, -16.0, 600);
        s.addEvent(QStringLiteral("small"), 1.0, 28.5, -17.0, 60);
        s.save();
        QVERIFY(s.show());
        s.source->fail();
        QTRY_VERIFY_WITH_TIMEOUT(s.batchDone(), TestWait::bound);
        s.tapAt(28.0, -16.0);
        QCOMPARE(s.selectedID(), QStringLiteral("strong"));
        s.viewModel()->setSelectedFilterRaw(QStringLiteral("micro"));
        QVERIFY(!s.find("selectedAnnotation")->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(s.calloutShown(), TestWait::bound);
        QCOMPARE(s.find("callout")->property("earthquake").value<EarthquakeItem>().eventID(), QStringLiteral("strong"));
        // UTC, not the machine's zone (Auckland is 12 or 13 hours ahead)
        const QString date = s.find("date")->property("text").toString();
        const QString utcTime = kNow.addSecs(-600).toString(QStringLiteral("mm"));
        QVERIFY2(date.endsWith(QStringLiteral(" UTC")), qPrintable(date));
        QVERIFY2(date.contains(QString::number(kNow.addSecs(-600).time().hour() % 12 == 0 ? 12 : kNow.addSecs(-600).time().hour() % 12))
                     || date.contains(kNow.addSecs(-600).toString(QStringLiteral("HH"))),
                 qPrintable(date));
        QVERIFY(date.contains(QLatin1Char(':') + utcTime));
    }

    void detailRoundTripKeepsCalloutAndCamera()
    {
        Screen s;
        s.addEvent(QStringLiteral("a"), 3.0, 28.0, -16.0, 600);
        s.addEvent(QStringLiteral("newest"), 2.0, 28.6, -17.8, 60);
        s.save();
        QVERIFY(s.show());
        s.source->fail();
        QTRY_VERIFY_WITH_TIMEOUT(s.batchDone(), TestWait::bound);
        s.tapAt(28.0, -16.0);
        QTRY_VERIFY_WITH_TIMEOUT(s.calloutIn(), TestWait::bound);
        s.map()->pan(40, 25);
        const QGeoCoordinate camera = s.map()->center();
        const double zoom = s.map()->zoomLevel();
        s.click(s.find("detailButton"));
        QTRY_COMPARE_WITH_TIMEOUT(s.root->property("depth").toInt(), 2, TestWait::bound);
        QCOMPARE(s.source->fetches, 1);
        auto *detail = s.root->property("currentItem").value<QQuickItem *>();
        QCOMPARE(detail->property("earthquake").value<EarthquakeItem>().eventID(), QStringLiteral("a"));
        QMetaObject::invokeMethod(detail, "goBack");
        QTRY_COMPARE_WITH_TIMEOUT(s.root->property("depth").toInt(), 1, TestWait::bound);
        QCOMPARE(s.selectedID(), QStringLiteral("a"));
        QVERIFY(s.calloutShown());
        QCOMPARE(s.map()->center(), camera);
        QCOMPARE(s.map()->zoomLevel(), zoom);
    }

    void openFilterOnlyWhileShown()
    {
        Screen s;
        QVERIFY(s.show());
        s.source->fail();
        s.root->setVisible(false);  // another section is shown
        NamedNotifications::defaultCenter()->post(NamedNotifications::openFilter);
        QVERIFY(!s.root->property("showFilterPopover").toBool());
        s.root->setVisible(true);
        QCOMPARE(s.source->fetches, 2);  // appearing again refreshes again
        NamedNotifications::defaultCenter()->post(NamedNotifications::openFilter);
        QVERIFY(s.root->property("showFilterPopover").toBool());
        QObject *popover = s.root->findChild<QObject *>(QStringLiteral("filterPopover"));
        QTRY_VERIFY_WITH_TIMEOUT(popover->property("opened").toBool(), TestWait::bound);
    }

    void eachEntryStartsAfresh()
    {
        // the shell builds the screen anew each time its section is chosen
        Screen s;
        s.addEvent(QStringLiteral("a"), 3.0, 28.0, -16.0, 600);
        s.addEvent(QStringLiteral("b"), 4.5, 28.5, -17.0, 60);
        s.save();
        NotificationSettings settings(s.defaults);
        EarthquakeListViewModel list(s.repository.get(), &settings);
        list.setSelectedFilterRaw(QStringLiteral("low"));
        QVERIFY(s.show());
        s.source->fail();
        const QGeoCoordinate start = s.map()->center();
        s.viewModel()->setSelectedFilterRaw(QStringLiteral("moderate"));
        s.viewModel()->setSelectedDateFilterRaw(QStringLiteral("lastHour"));
        s.viewModel()->setSelectedEarthquake(s.model()->newest());
        s.map()->pan(100, 50);
        s.destroyRoot();
        QVERIFY(s.show());
        s.source->fail();
        QCOMPARE(s.viewModel()->selectedFilterRaw(), QStringLiteral("all"));
        QCOMPARE(s.viewModel()->selectedDateFilterRaw(), QStringLiteral("all"));
        QVERIFY(!s.viewModel()->selectedEarthquake().isValid());
        QVERIFY(!s.calloutShown());
        QCOMPARE(s.map()->center(), start);
        QCOMPARE(s.layer()->count(), 2);
        QCOMPARE(list.selectedFilterRaw(), QStringLiteral("low"));  // the list's filters are its own
    }

    // The card covers the map: what lands on its blank body never reaches the map below.
    void calloutTakesItsInput_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::newRow("click") << "click";
        QTest::newRow("drag") << "drag";
        QTest::newRow("wheel") << "wheel";
    }
    void calloutTakesItsInput()
    {
        QFETCH(QString, gesture);
        Screen s;
        QVERIFY(s.showWithCallout());
        QQuickItem *card = s.find("calloutCard");
        const QPointF blank = card->mapToScene(QPointF(card->width() / 2, 5));  // the top padding
        // A marker hidden under that spot.
        const QGeoCoordinate under = s.coordinateAt(blank);
        s.addEvent(QStringLiteral("hidden"), 2.0, under.latitude(), under.longitude(), 3600);
        s.save();
        QTRY_VERIFY_WITH_TIMEOUT(s.batchDone() && s.layer()->count() == 2, TestWait::bound);
        QCOMPARE(s.layer()->markerAt(s.layer()->mapFromScene(blank)).isEmpty(), false);
        const QGeoCoordinate centre = s.map()->center();
        const double zoom = s.map()->zoomLevel();

        if (gesture == QLatin1String("click")) {
            QTest::mouseClick(&s.window, Qt::LeftButton, {}, blank.toPoint());
        } else if (gesture == QLatin1String("drag")) {
            QTest::mousePress(&s.window, Qt::LeftButton, {}, blank.toPoint());
            for (int step = 1; step <= 10; ++step)
                QTest::mouseMove(&s.window, (blank - QPointF(30 * step, 0)).toPoint());
            QTest::mouseRelease(&s.window, Qt::LeftButton, {}, (blank - QPointF(300, 0)).toPoint());
        } else {
            QWheelEvent wheel(blank, s.window.mapToGlobal(blank), QPoint(), QPoint(0, 360), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QGuiApplication::sendEvent(&s.window, &wheel);
        }
        QCOMPARE(s.selectedID(), QStringLiteral("a"));
        QCOMPARE(s.map()->center(), centre);
        QCOMPARE(s.map()->zoomLevel(), zoom);
    }

    // Once the selection is cleared the card leaves, and its buttons do nothing on the way out.
    void leavingCalloutOpensNothing_data()
    {
        QTest::addColumn<bool>("byMarker");
        QTest::newRow("close button") << false;
        QTest::newRow("tap on the selected marker") << true;
    }
    void leavingCalloutOpensNothing()
    {
        QFETCH(bool, byMarker);
        Screen s;
        QVERIFY(s.showWithCallout());
        QQuickItem *detail = s.find("detailButton");
        const QPoint detailCentre = detail->mapToScene(QPointF(detail->width() / 2, detail->height() / 2)).toPoint();
        if (byMarker)
            s.tapAt(28.3, -16.0);
        else
            s.click(s.find("closeButton"));
        QCOMPARE(s.selectedID(), QString());
        QVERIFY(s.calloutShown());  // still on its way out
        QTest::mouseClick(&s.window, Qt::LeftButton, {}, detailCentre);
        s.click(s.find("closeButton"));
        QTRY_VERIFY_WITH_TIMEOUT(!s.calloutShown(), TestWait::bound);
        QCOMPARE(s.root->property("depth").toInt(), 1);
        QCOMPARE(s.selectedID(), QString());
    }

    // The selected marker is drawn larger than the others; all of what is drawn takes the tap,
    // and a tap beside the disc reaches the marker there.
    void selectedMarkerTakesTapsOnItsDisc_data()
    {
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<QString>("selected");
        QTest::newRow("centre") << QPointF(0, 0) << QString();
        QTest::newRow("15 px") << QPointF(15, 0) << QString();
        QTest::newRow("20 px") << QPointF(0, -20) << QString();
        QTest::newRow("diagonal, on the disc") << QPointF(12, -15) << QString();
        QTest::newRow("beside the disc, on another marker") << QPointF(19, 19) << QStringLiteral("beside");
    }
    void selectedMarkerTakesTapsOnItsDisc()
    {
        QFETCH(QPointF, offset);
        QFETCH(QString, selected);
        Screen s;
        s.addEvent(QStringLiteral("newest"), 2.0, 28.6, -17.8, 60);
        s.addEvent(QStringLiteral("a"), 3.0, 28.0, -16.0, 600);
        s.save();
        QVERIFY(s.show());
        s.source->fail();
        QTRY_VERIFY_WITH_TIMEOUT(s.batchDone(), TestWait::bound);
        const QPointF centre = s.sceneOf(28.0, -16.0);
        const QGeoCoordinate beside = s.coordinateAt(centre + QPointF(28, 28));
        s.addEvent(QStringLiteral("beside"), 1.0, beside.latitude(), beside.longitude(), 900);
        s.save();
        QTRY_VERIFY_WITH_TIMEOUT(s.batchDone() && s.layer()->count() == 3, TestWait::bound);
        s.tapAt(28.0, -16.0);
        QCOMPARE(s.selectedID(), QStringLiteral("a"));
        QQuickItem *marker = s.find("selectedMarker");
        QTRY_COMPARE_WITH_TIMEOUT(marker->scale(), 1.2, TestWait::bound);  // the selection's spring is over

        QTest::mouseClick(&s.window, Qt::LeftButton, {}, (centre + offset).toPoint());
        QCOMPARE(s.selectedID(), selected);
    }

    void destroyedWithWorkPending()
    {
        Screen s;
        for (int i = 0; i < 20000; ++i)
            s.addEvent(QStringLiteral("e%1").arg(i), (i % 50) / 10.0, 27.5 + (i % 200) * 0.01, -18 + (i / 200) * 0.04,
                       i * 60);
        s.save();
        QVERIFY(s.show());
        s.viewModel()->setSelectedDateFilterRaw(QStringLiteral("last30d"));  // the minute tick runs
        s.tapAt(27.5, -18.0);
        s.map()->zoomAround(1.0, QPointF(500, 350));  // a rebuild on its way
        s.destroyRoot();
        QTest::qWait(300);  // ring timers, the tick and the worker's batch find nothing to reach
        s.source->fail();
        QVERIFY(true);
    }
};

QTEST_MAIN(TestMapScreen)
#include "tst_map_screen.moc"
