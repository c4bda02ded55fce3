#include "Notifications/NotificationSettings.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/Localization.h"
#include "Platform/UserDefaults.h"
#include "ViewModels/EarthquakeItem.h"
#include "ViewModels/EarthquakeListViewModel.h"
#include "ViewModels/LatestEarthquakesModel.h"
#include "TestWait.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC);
constexpr qint64 kDay = 86400;

struct Fixture {
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.conf"))};
    NotificationSettings settings{defaults};
    std::unique_ptr<ModelContainer> store = std::move(*ModelContainer::open({QString(), true}));
    EarthquakeListViewModel viewModel{nullptr, &settings};
    LatestEarthquakesModel model;

    Fixture()
    {
        model.setNow([] { return kNow; });
        model.setLocale(QLocale(QStringLiteral("en_US")));
        model.setViewModel(&viewModel);
        model.setContext(store->mainContext());
    }
    void add(const QString &id, qint64 secondsAgo, double magnitude = 2.5, const QString &location = QStringLiteral("NE TENERIFE"))
    {
        store->mainContext()->insert(std::make_shared<Earthquake>(id, kNow.addSecs(-secondsAgo), 28.0, -16.0, 10, magnitude,
                                                                  QStringLiteral("mbLg"), std::nullopt, location));
        QVERIFY(store->mainContext()->save());
    }
    QStringList idsIn(const QString &section) const
    {
        for (const auto &s : model.sections()) {
            if (s.id == section) {
                QStringList ids;
                for (const auto &e : s.items)
                    ids << e->eventID();
                return ids;
            }
        }
        return {};
    }
    void search(const QString &text)
    {
        viewModel.setDebounceInterval(0);
        viewModel.setSearchText(text);
        QTRY_COMPARE_WITH_TIMEOUT(viewModel.debouncedSearchText(), text, TestWait::bound);
    }
};

}  // namespace

class TestLatestList : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Localization::setTableForTesting({}); }

    void sectionsAtTheirBoundaries()
    {
        Fixture f;
        QAbstractItemModelTester tester(&f.model);
        f.add(QStringLiteral("future"), -600);
        f.add(QStringLiteral("at24h"), kDay);
        f.add(QStringLiteral("past24h"), kDay + 1);
        f.add(QStringLiteral("at7d"), 7 * kDay);
        f.add(QStringLiteral("past7d"), 7 * kDay + 1);
        f.add(QStringLiteral("at30d"), 30 * kDay);
        f.add(QStringLiteral("past30d"), 30 * kDay + 1);
        QCOMPARE(f.model.sectionIds(), QStringList({QStringLiteral("24h"), QStringLiteral("7d"), QStringLiteral("30d")}));
        QCOMPARE(f.idsIn(QStringLiteral("24h")), QStringList({QStringLiteral("future"), QStringLiteral("at24h")}));
        QCOMPARE(f.idsIn(QStringLiteral("7d")), QStringList({QStringLiteral("past24h"), QStringLiteral("at7d")}));
        QCOMPARE(f.idsIn(QStringLiteral("30d")), QStringList({QStringLiteral("past7d"), QStringLiteral("at30d")}));
        QCOMPARE(f.model.rowCount(), 6);
        QCOMPARE(f.model.data(f.model.index(0), LatestEarthquakesModel::SectionTitleRole).toString(),
                 QStringLiteral("Last 24h \u2013 9 Dec 2026"));
        QCOMPARE(f.model.data(f.model.index(2), LatestEarthquakesModel::SectionTitleRole).toString(),
                 QStringLiteral("Last 7 days \u2013 2 Dec 2026 \u2013 9 Dec 2026"));
        QCOMPARE(f.model.data(f.model.index(4), LatestEarthquakesModel::SectionTitleRole).toString(),
                 QStringLiteral("Last 30 days \u2013 9 Nov 2026 \u2013 2 Dec 2026"));
        QCOMPARE(LatestEarthquakesModel::sectionTitle(QStringLiteral("other"), kNow, QLocale()), QStringLiteral("other"));
    }

    void emptyStoreAgainstNoResults()
    {
        Fixture f;
        QVERIFY(f.model.storeIsEmpty());
        f.add(QStringLiteral("old"), 40 * kDay);
        QVERIFY(!f.model.storeIsEmpty());  // stored events, none of them listed
        QCOMPARE(f.model.rowCount(), 0);
        QVERIFY(f.model.sectionIds().isEmpty());
    }

    void filters_data()
    {
        QTest::addColumn<QString>("magnitude");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all") << "all" << "all" << "" << QStringList{"a", "b", "c", "d"};
        QTest::newRow("moderate, 4.0 belongs") << "moderate" << "all" << "" << QStringList{"b"};
        QTest::newRow("last hour keeps the event at the cutoff") << "all" << "lastHour" << "" << QStringList{"a", "b"};
        QTest::newRow("search ignores case and accents") << "all" << "all" << "guimar" << QStringList{"c"};
        QTest::newRow("search is trimmed of spaces and tabs") << "all" << "all" << " \tgomera\t " << QStringList{"d"};
        QTest::newRow("blank search filters nothing") << "all" << "all" << " \t " << QStringList{"a", "b", "c", "d"};
        QTest::newRow("filters combine") << "low" << "last24h" << "tenerife" << QStringList{"a"};
        QTest::newRow("nothing matches") << "major" << "all" << "" << QStringList{};
    }
    void filters()
    {
        QFETCH(QString, magnitude);
        QFETCH(QString, date);
        QFETCH(QString, search);
        QFETCH(QStringList, expected);
        Fixture f;
        f.add(QStringLiteral("a"), 60, 2.5, QStringLiteral("NE TENERIFE"));
        f.add(QStringLiteral("b"), 3600, 4.0, QStringLiteral("SW EL HIERRO"));
        f.add(QStringLiteral("c"), 2 * kDay, 1.2, QStringLiteral("GÜÍMAR.ITF"));
        f.add(QStringLiteral("d"), 10 * kDay, 3.0, QStringLiteral("N LA GOMERA"));
        f.viewModel.setSelectedFilterRaw(magnitude);
        f.viewModel.setSelectedDateFilterRaw(date);
        f.search(search);
        QStringList ids;
        for (const auto &e : f.model.filteredEarthquakes())
            ids << e->eventID();
        QCOMPARE(ids, expected);
    }

    void followsEverySave()
    {
        Fixture f;
        QSignalSpy count(&f.model, &LatestEarthquakesModel::countChanged);
        f.add(QStringLiteral("a"), 60);
        QCOMPARE(f.model.rowCount(), 1);
        ModelContext other(f.store.get());  // a save from another context reaches the list too
        other.insert(std::make_shared<Earthquake>(QStringLiteral("b"), kNow, 28, -16, 5, 2, QStringLiteral("Mw"),
                                                  std::nullopt, QStringLiteral("X")));
        QVERIFY(other.save());
        QCOMPARE(f.model.rowCount(), 2);
        QCOMPARE(count.count(), 2);
    }

    void aSaveThatSwapsRowsOneForOneResetsTheRows()
    {
        // One event leaves the last hour as the clock moves on while a save brings another:
        // the row count stays, yet the rows are other records.
        Fixture f;
        QDateTime now = kNow;
        f.model.setNow([&] { return now; });
        f.viewModel.setSelectedDateFilterRaw(QStringLiteral("lastHour"));
        f.add(QStringLiteral("leaving"), 3590);
        f.add(QStringLiteral("staying"), 60);
        QCOMPARE(f.model.rowCount(), 2);
        QSignalSpy reset(&f.model, &QAbstractItemModel::modelReset);
        now = kNow.addSecs(20);
        f.add(QStringLiteral("arriving"), -10);
        QCOMPARE(f.model.rowCount(), 2);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(f.model.data(f.model.index(0), LatestEarthquakesModel::EarthquakeRole).value<EarthquakeItem>().eventID(),
                 QStringLiteral("arriving"));
        QCOMPARE(f.model.data(f.model.index(1), LatestEarthquakesModel::EarthquakeRole).value<EarthquakeItem>().eventID(),
                 QStringLiteral("staying"));
    }

    void catalogueTextStaysAsData()
    {
        Fixture f;
        f.add(QStringLiteral("m"), 60, 2.0, QStringLiteral("<b>BOLD</b> &amp; <i>x</i>"));
        QCOMPARE(f.model.data(f.model.index(0), LatestEarthquakesModel::LocationRole).toString(),
                 QStringLiteral("<b>BOLD</b> &amp; <i>x</i>"));
    }
};

QTEST_GUILESS_MAIN(TestLatestList)
#include "tst_latest_list.moc"
