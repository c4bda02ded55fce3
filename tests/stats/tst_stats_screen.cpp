// The statistics screen as drawn: the empty state giving way to the five sections on the first
// save, the peaks of a quiet week, dividers between zones only, catalogue text as plain text,
// and a screen that is gone when the store changes.
#include "Persistence/EarthquakeSnapshot.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "ViewModels/StatsViewModel.h"

#include <QLocale>
#include <QPointer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include "QuickItems.h"
#include "TestWait.h"

Q_IMPORT_QML_PLUGIN(Sismovantaquelorin_CorePlugin)
Q_IMPORT_QML_PLUGIN(SismovantaquelorinPlugin)

namespace {

const QDateTime kNow(QDate(2026, 3, 20), QTime(12, 0), Qt::UTC);
const QStringList kSections = {"activitySection", "peaksSection", "distributionSection", "zonesSection",
                               "depthSection"};

struct Screen {
    std::unique_ptr<ModelContainer> store = std::move(*ModelContainer::open({QString(), true}));
    QQmlEngine engine;
    QQuickWindow window;
    QQuickItem *root = nullptr;

    Screen() { engine.addImportPath(QStringLiteral("qrc:/")); }
    ~Screen() { close(); }

    void close()
    {
        window.hide();
        delete root;
        root = nullptr;
    }
    void add(const QString &id, qint64 secondsAgo, const QString &place, double latitude = 28.1,
             double longitude = -16.4, double magnitude = 2.4)
    {
        store->mainContext()->insert(std::make_shared<Earthquake>(id, kNow.addSecs(-secondsAgo), latitude, longitude,
                                                                  10, magnitude, QStringLiteral("mbLg"),
                                                                  std::nullopt, place, kNow));
    }
    bool save() { return bool(store->mainContext()->save()); }
    bool show()
    {
        root = QuickItems::show(engine, window, QUrl(QStringLiteral("qrc:/Sismovantaquelorin/StatsView.qml")),
                                {{QStringLiteral("context"), QVariant::fromValue(store->mainContext())},
                                 {QStringLiteral("pinnedNow"), kNow}},
                                QSize(900, 2400));  // tall enough to hold every section at once
        return root && settled();
    }
    // The snapshot loaded and the figures computed (both off the main thread) and published.
    bool settled() const
    {
        auto *vm = root->property("viewModel").value<StatsViewModel *>();
        EarthquakeSnapshot *snapshot = store->snapshot();
        return QTest::qWaitFor([&] { return snapshot->isLoaded() && !snapshot->isBusy() && !vm->isComputing(); },
                               TestWait::bound);
    }
    QList<QQuickItem *> all(const QString &name) const
    {
        QList<QQuickItem *> out;
        for (QQuickItem *item : QuickItems::all(window.contentItem()))
            if (item->objectName() == name)
                out.append(item);
        return out;
    }
    QQuickItem *find(const QString &name) const { return all(name).value(0); }
    bool shows(const QString &name) const
    {
        QQuickItem *item = find(name);
        return item && item->isVisible();
    }
    int visibleCount(const QString &name) const
    {
        int n = 0;
        for (QQuickItem *item : all(name))
            n += item->isVisible();
        return n;
    }
};

}  // namespace

class TestStatsScreen : public QObject {
    Q_OBJECT
private slots:
    // Numbers keep their full stop where the user's locale writes a decimal comma.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain)); }

    void firstSaveReplacesTheEmptyState()
    {
        Screen s;
        QVERIFY(s.show());
        QVERIFY(s.shows("emptyState"));
        QVERIFY(!s.shows("statsContent"));

        s.add("e1", 600, "NE TENERIFE");
        QVERIFY(s.save());
        QTRY_VERIFY_WITH_TIMEOUT(s.shows("statsContent"), TestWait::bound);
        QVERIFY(!s.shows("emptyState"));
        for (const QString &section : kSections)
            QVERIFY2(s.shows(section), qPrintable(section));
        QCOMPARE(s.visibleCount("zoneRow"), 1);
        QCOMPARE(s.find("averageDepth")->property("text").toString(), QStringLiteral("10.0"));
    }

    void quietWeekShowsNoPeaks()
    {
        Screen s;
        s.add("old1", 8 * 86400, "SW EL HIERRO");
        s.add("old2", 20 * 86400, "SW EL HIERRO", 27.7, -18.0, 3.3);
        QVERIFY(s.save());
        QVERIFY(s.show());
        QCOMPARE(s.visibleCount("peakNone"), 2);
        QCOMPARE(s.visibleCount("peakEvent"), 0);
        QStringList counts;
        for (QQuickItem *text : s.all("countText"))
            counts << text->property("text").toString();
        QCOMPARE(counts, QStringList({"0", "0", "0", "2"}));
    }

    void dividersOnlyBetweenZones_data()
    {
        QTest::addColumn<int>("zones");
        QTest::newRow("one") << 1;
        QTest::newRow("three") << 3;
        QTest::newRow("seven, five shown") << 7;
    }

    void dividersOnlyBetweenZones()
    {
        QFETCH(int, zones);
        Screen s;
        for (int z = 0; z < zones; ++z) {
            for (int i = 0; i <= z; ++i)
                s.add(QStringLiteral("z%1-%2").arg(z).arg(i), 600 + i, QStringLiteral("ZONA %1").arg(z), 20.0 + z, -16);
        }
        QVERIFY(s.save());
        QVERIFY(s.show());
        const int shown = qMin(zones, 5);
        QCOMPARE(s.visibleCount("zoneRow"), shown);
        QCOMPARE(s.visibleCount("zoneDivider"), shown - 1);
        // The largest zone first.
        QCOMPARE(s.find("zoneRow")->property("rank").toInt(), 1);
        QCOMPARE(s.all("zoneName").constFirst()->property("text").toString(), QStringLiteral("ZONA %1").arg(zones - 1));
    }

    void catalogueTextIsPlainText()
    {
        Screen s;
        const QString place = QStringLiteral("<b>W</b> LA GOMERA &amp; <i>MAR</i>");
        s.add("m1", 600, place, 28.1, -17.3, 3.25);
        QVERIFY(s.save());
        QVERIFY(s.show());
        for (const char *name : {"zoneName", "peakPlace"}) {
            QQuickItem *text = s.find(QString::fromLatin1(name));
            QVERIFY(text);
            QCOMPARE(text->property("text").toString(), place);
            QCOMPARE(text->property("textFormat").toInt(), 0);  // Text.PlainText
        }
        QQuickItem *row = s.find("zoneRow");
        QCOMPARE(row->property("averageText").toString(), QStringLiteral("\u00d8 3.2"));
        QCOMPARE(row->property("centreText").toString(), QStringLiteral("28.0\u00b0 N  17.5\u00b0 O"));
    }

    // Once the screen is gone, a save reaches nothing of it.
    void saveAfterTheScreenIsGone()
    {
        Screen s;
        s.add("a", 600, "ARICO");
        QVERIFY(s.save());
        QVERIFY(s.show());
        EarthquakeSnapshot *snapshot = s.store->snapshot();
        QPointer<QObject> viewModel = s.root->property("viewModel").value<QObject *>();
        QVERIFY(viewModel);
        s.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!viewModel);
        s.add("b", 60, "ARICO");
        QVERIFY(s.save());
        QTRY_COMPARE_WITH_TIMEOUT(snapshot->rows().size(), size_t(2), TestWait::bound);
    }
};

QTEST_MAIN(TestStatsScreen)
#include "tst_stats_screen.moc"
