// The filter sheet's state: what it shows when opened on each filter, what it applies, and
// which days its range fields accept.
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/Localization.h"
#include "ViewModels/HistoricoFilterSheetState.h"
#include "ViewModels/HistoricoViewModel.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const QTimeZone kMadrid("Europe/Madrid");
// Ten past five in the afternoon, Madrid summer time.
const QDateTime kNow = QDateTime(QDate(2024, 6, 12), QTime(15, 10, 33, 250), Qt::UTC);

struct Fixture {
    std::unique_ptr<ModelContainer> store = std::move(*ModelContainer::open({QString(), true}));
    HistoricoViewModel vm;
    std::unique_ptr<HistoricoFilterSheetState> sheet;

    explicit Fixture(QList<int> years = {2024, 2019})
    {
        vm.setTimeZone(kMadrid);
        vm.setLocale(QLocale(QStringLiteral("es_ES")));
        vm.setNow([] { return kNow; });
        for (int y : years) {
            store->mainContext()->insert(std::make_shared<Earthquake>(
                QStringLiteral("y%1").arg(y), QDateTime(QDate(y, 5, 5), QTime(12, 0), Qt::UTC), 28, -16, 10, 2,
                QStringLiteral("mbLg"), std::nullopt, QStringLiteral("P")));
        }
        store->mainContext()->save();
        vm.onAppear(store->mainContext());
        vm.loadAvailableYears(store->mainContext());
    }
    HistoricoFilterSheetState &open()
    {
        // The sheet is made afresh for each presentation and reads the filter in force.
        sheet = std::make_unique<HistoricoFilterSheetState>();
        sheet->setViewModel(&vm);
        sheet->syncFromViewModel();
        return *sheet;
    }
};

QStringList texts(const QVariantList &choices)
{
    QStringList out;
    for (const QVariant &c : choices)
        out << c.toMap().value(QStringLiteral("text")).toString();
    return out;
}

}  // namespace

class TestHistoryFilterSheet : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Localization::setTableForTesting({}); }

    void opensOnTheFilterInForce_data()
    {
        QTest::addColumn<DateFilterMode>("filter");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QVariant>("year");
        QTest::addColumn<QVariant>("month");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<bool>("clear");
        const QVariant absent = QVariant::fromValue(nullptr);
        const QDate today(2024, 6, 12);
        QTest::newRow("none") << DateFilterMode::none() << int(HistoricoFilterSheetState::None) << absent << absent
                              << today << today << false;
        QTest::newRow("year and month") << DateFilterMode::yearMonth(2019, 3) << int(HistoricoFilterSheetState::YearMonth)
                                        << QVariant(2019) << QVariant(3) << today << today << true;
        QTest::newRow("whole year") << DateFilterMode::yearMonth(2019) << int(HistoricoFilterSheetState::YearMonth)
                                    << QVariant(2019) << absent << today << today << true;
        // Days of the range in the view model's zone: 23:30Z is already the next day in Madrid.
        QTest::newRow("range") << DateFilterMode::customRange(QDateTime(QDate(2024, 2, 29), QTime(23, 30), Qt::UTC),
                                                              QDateTime(QDate(2024, 3, 5), QTime(22, 59, 59, 999), Qt::UTC))
                               << int(HistoricoFilterSheetState::CustomRange) << absent << absent << QDate(2024, 3, 1)
                               << QDate(2024, 3, 5) << true;
    }
    void opensOnTheFilterInForce()
    {
        QFETCH(DateFilterMode, filter);
        QFETCH(int, mode);
        QFETCH(QVariant, year);
        QFETCH(QVariant, month);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(bool, clear);
        Fixture f;
        f.vm.applyFilter(filter);
        HistoricoFilterSheetState &s = f.open();
        QCOMPARE(int(s.mode()), mode);
        QCOMPARE(s.selectedYearVariant().isNull(), year.isNull());
        if (!year.isNull())
            QCOMPARE(s.selectedYearVariant().toInt(), year.toInt());
        QCOMPARE(s.selectedMonthVariant().isNull(), month.isNull());
        if (!month.isNull())
            QCOMPARE(s.selectedMonthVariant().toInt(), month.toInt());
        QCOMPARE(s.rangeStart(), start);
        QCOMPARE(s.rangeEnd(), end);
        QCOMPARE(s.showsClear(), clear);
        // Opened and applied untouched, the sheet applies the filter it opened on.
        if (filter.kind() != DateFilterMode::CustomRange)
            QCOMPARE(s.resolveFilter(), filter);
    }

    void resolvesTheChoices()
    {
        Fixture f;
        HistoricoFilterSheetState &s = f.open();
        // "Año / Mes" with the year on "Todos" applies no filter, and no clear button follows.
        s.setMode(HistoricoFilterSheetState::YearMonth);
        QCOMPARE(s.resolveFilter(), DateFilterMode::none());
        s.apply();
        QCOMPARE(f.vm.filterMode(), DateFilterMode::none());
        QVERIFY(!f.open().showsClear());

        HistoricoFilterSheetState &t = f.open();
        t.setMode(HistoricoFilterSheetState::YearMonth);
        t.setSelectedYear(2019);
        t.setSelectedMonth(4);
        QCOMPARE(t.resolveFilter(), DateFilterMode::yearMonth(2019, 4));
        // Back to "Todos": the month is kept, hidden, and shows again with a year.
        t.setSelectedYear(std::nullopt);
        QCOMPARE(t.selectedMonth(), std::optional(4));
        t.setSelectedYear(2024);
        QCOMPARE(t.resolveFilter(), DateFilterMode::yearMonth(2024, 4));
        // Values chosen under another kind stay but are not applied.
        t.setMode(HistoricoFilterSheetState::None);
        QCOMPARE(t.resolveFilter(), DateFilterMode::none());
        t.setMode(HistoricoFilterSheetState::YearMonth);
        QCOMPARE(t.resolveFilter(), DateFilterMode::yearMonth(2024, 4));
        t.setSelectedMonth(13);  // not a month: refused
        QCOMPARE(t.selectedMonth(), std::optional(4));
        QSignalSpy clearShown(&t, &HistoricoFilterSheetState::showsClearChanged);
        t.apply();
        QCOMPARE(f.vm.filterMode(), DateFilterMode::yearMonth(2024, 4));
        QVERIFY(t.showsClear());  // follows the view model at once
        QVERIFY(clearShown.count() >= 1);
        t.clear();
        QCOMPARE(f.vm.filterMode(), DateFilterMode::none());
        QVERIFY(!t.showsClear());
    }

    void rangeCoversWholeLocalDays()
    {
        // Untouched, the range is today: from its first instant to its last millisecond, in
        // the view model's zone (not up to the moment the sheet was opened).
        Fixture f;
        HistoricoFilterSheetState &s = f.open();
        s.setMode(HistoricoFilterSheetState::CustomRange);
        QCOMPARE(s.resolveFilter(), DateFilterMode::customRange(QDateTime(QDate(2024, 6, 11), QTime(22, 0), Qt::UTC),
                                                                QDateTime(QDate(2024, 6, 12), QTime(21, 59, 59, 999), Qt::UTC)));
        QVERIFY(s.setRangeStart(QDate(2024, 3, 1)));
        QVERIFY(s.setRangeEnd(QDate(2024, 3, 5)));
        s.apply();
        const auto bounds = HistoricoViewModel::boundsFor(f.vm.filterMode(), kMadrid);
        QVERIFY(bounds);
        QCOMPARE(bounds->from, QDateTime(QDate(2024, 2, 29), QTime(23, 0), Qt::UTC));
        QCOMPARE(bounds->to, QDateTime(QDate(2024, 3, 5), QTime(22, 59, 59, 999), Qt::UTC));
        QVERIFY(bounds->toInclusive);
        // Reopened on that range, the same days show and apply the same filter.
        QCOMPARE(f.open().resolveFilter(), DateFilterMode::customRange(QDate(2024, 3, 1).startOfDay(kMadrid),
                                                                      QDate(2024, 3, 5).endOfDay(kMadrid)));
    }

    void rangeFieldsBoundEachOther()
    {
        Fixture f;
        HistoricoFilterSheetState &s = f.open();
        QVERIFY(s.setRangeStart(QDate(2024, 6, 1)));
        QSignalSpy startSpy(&s, &HistoricoFilterSheetState::rangeStartChanged);
        QVERIFY(!s.setRangeStart(QDate(2024, 6, 13)));  // after the end
        QCOMPARE(s.rangeStart(), QDate(2024, 6, 1));
        QCOMPARE(startSpy.count(), 1);  // told again, so a typed day is replaced by the held one
        QVERIFY(!s.setRangeEnd(QDate(2024, 5, 31)));  // before the start
        QCOMPARE(s.rangeEnd(), QDate(2024, 6, 12));
        QVERIFY(s.setRangeEnd(QDate(2024, 6, 1)));  // one day
        QVERIFY(s.setRangeStart(QDate(2024, 6, 1)));
        QVERIFY(!s.setRangeStartKey(20240231));  // no such day
        QVERIFY(!s.setRangeEndKey(0));
        QVERIFY(s.setRangeStartKey(20240520));
        QCOMPARE(s.rangeStart(), QDate(2024, 5, 20));
        QCOMPARE(s.rangeStartKey(), 20240520);
        QCOMPARE(s.rangeEndKey(), 20240601);
    }

    void cancelLeavesTheListAlone()
    {
        Fixture f;
        f.vm.applyFilter(DateFilterMode::yearMonth(2019));
        QSignalSpy reloads(&f.vm, &HistoricoViewModel::loadedChanged);
        {
            HistoricoFilterSheetState &s = f.open();
            s.setMode(HistoricoFilterSheetState::CustomRange);
            s.setRangeStart(QDate(2024, 1, 1));
            f.sheet.reset();  // closed without applying
        }
        QCOMPARE(f.vm.filterMode(), DateFilterMode::yearMonth(2019));
        QCOMPARE(reloads.count(), 0);
    }

    void yearAndMonthChoices_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("march");
        QTest::newRow("es_ES") << "es_ES" << "Marzo";
        QTest::newRow("ca_ES") << "ca_ES" << "De Març";
        QTest::newRow("en_US") << "en_US" << "March";
    }
    void yearAndMonthChoices()
    {
        QFETCH(QString, locale);
        QFETCH(QString, march);
        const auto names = HistoricoFilterSheetState::monthNames(QLocale(locale));
        QCOMPARE(names.size(), 12);
        for (int i = 0; i < 12; ++i)
            QCOMPARE(names.at(i).first, i + 1);
        QCOMPARE(names.at(2).second, march);

        Fixture f({2024, 2009, 1999});
        QLocale::setDefault(QLocale(QStringLiteral("de_DE")));  // would group 2024 as "2.024"
        HistoricoFilterSheetState &s = f.open();
        QCOMPARE(texts(s.yearChoices()), (QStringList{"Todos", "2024", "2009", "1999"}));
        QVERIFY(s.yearChoices().first().toMap().value(QStringLiteral("value")).isNull());
        QCOMPARE(texts(s.monthChoices()).first(), QStringLiteral("Todo el año"));
        QCOMPARE(texts(s.monthChoices()).at(3), QStringLiteral("Marzo"));
        QCOMPARE(s.monthChoices().at(3).toMap().value(QStringLiteral("value")).toInt(), 3);
        QCOMPARE(texts(s.modeChoices()), (QStringList{"Sin filtro", "Año / Mes", "Rango personalizado"}));
        QLocale::setDefault(QLocale::c());

        Fixture empty(QList<int>{});
        QCOMPARE(texts(empty.open().yearChoices()), QStringList{"Todos"});
    }
};

QTEST_MAIN(TestHistoryFilterSheet)
#include "tst_history_filter_sheet.moc"
