// The history view model on a real SQLite file, with the zone and locale pinned: filter
// bounds, month sections, paging from the last loaded row, counts, years and the search.
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/Localization.h"
#include "ViewModels/HistoricoViewModel.h"
#include "TestWait.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

QDateTime utc(const char *iso)
{
    QDateTime t = QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs);
    return t.toUTC();
}

struct Store {
    QTemporaryDir dir;
    std::unique_ptr<ModelContainer> container;
    int serial = 0;

    Store() { container = std::move(*ModelContainer::open({dir.filePath(QStringLiteral("h.sqlite")), false})); }
    ModelContext *context() const { return container->mainContext(); }

    void add(const QDateTime &date, const QString &place = QStringLiteral("TENERIFE"), const QString &id = {})
    {
        stage(date, place, id);
        QVERIFY(context()->save());
    }
    void stage(const QDateTime &date, const QString &place = QStringLiteral("TENERIFE"), const QString &id = {})
    {
        const QString eventID = id.isEmpty() ? QStringLiteral("ev%1").arg(++serial, 5, 10, QLatin1Char('0')) : id;
        context()->insert(std::make_shared<Earthquake>(eventID, date, 28.0, -16.0, 10, 2.0, QStringLiteral("mbLg"),
                                                       std::nullopt, place));
    }
    qint64 plainCount(const QString &where, const QVariantList &values = {}) const
    {
        QSqlQuery q(container->database());
        q.prepare(QStringLiteral("SELECT count(*) FROM Earthquake ") + where);
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values.at(i));
        if (!q.exec() || !q.next())
            return -1;
        return q.value(0).toLongLong();
    }
};

struct Model {
    HistoricoViewModel vm;
    explicit Model(const char *zone = "UTC", const char *locale = "es_ES")
    {
        vm.setTimeZone(QTimeZone(zone));
        vm.setLocale(QLocale(QString::fromLatin1(locale)));
    }
};

QStringList ids(const EarthquakeList &list)
{
    QStringList out;
    for (const EarthquakePtr &e : list)
        out << e->eventID();
    return out;
}

// What the screen's list shows: the loaded rows that the search lets through.
EarthquakeList shown(const HistoricoViewModel &vm)
{
    EarthquakeList out;
    for (const HistoricoRow &row : vm.listModel()->rows())
        out << row.earthquake;
    return out;
}

// The list's month sections in order, each with the number of rows it holds.
using Sections = QList<QPair<QString, int>>;
Sections sections(const HistoricoViewModel &vm)
{
    Sections out;
    for (const HistoricoRow &row : vm.listModel()->rows()) {
        if (out.isEmpty() || out.last().first != row.monthTitle)
            out.append({row.monthTitle, 0});
        ++out.last().second;
    }
    return out;
}

// A store whose reads the test scripts: pages cut short, or failing reads.
class ScriptedContext : public ModelContext {
public:
    using ModelContext::ModelContext;
    Expected<EarthquakeList> fetch(const FetchDescriptor &d) const override
    {
        ++fetches;
        if (failPages)
            return Error{Error::Domain::Store, 1, QStringLiteral("disk I/O error")};
        auto page = ModelContext::fetch(d);
        if (page && shortenBy > 0)
            page->resize(qMax<qsizetype>(0, page->size() - shortenBy));
        return page;
    }
    Expected<qint64> fetchCount(const FetchDescriptor &d) const override
    {
        if (failCount)
            return Error{Error::Domain::Store, 1, QStringLiteral("disk I/O error")};
        return ModelContext::fetchCount(d);
    }
    Expected<QList<qint64>> fetchDates(const FetchDescriptor &d) const override
    {
        if (failDates)
            return Error{Error::Domain::Store, 1, QStringLiteral("disk I/O error")};
        return ModelContext::fetchDates(d);
    }
    mutable int fetches = 0;
    bool failPages = false;
    bool failCount = false;
    bool failDates = false;
    int shortenBy = 0;
};

}  // namespace

class TestHistoryViewModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Localization::setTableForTesting({}); }

    void filterBounds_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<DateFilterMode>("mode");
        QTest::addColumn<QDateTime>("event");
        QTest::addColumn<bool>("included");
        const auto year = DateFilterMode::yearMonth(2024);
        const auto march = DateFilterMode::yearMonth(2024, 3);
        const auto december = DateFilterMode::yearMonth(2023, 12);
        QTest::newRow("year: first ms") << QByteArray("Atlantic/Canary") << year << utc("2024-01-01T00:00:00.000Z") << true;
        QTest::newRow("year: ms before") << QByteArray("Atlantic/Canary") << year << utc("2023-12-31T23:59:59.999Z") << false;
        QTest::newRow("year: last ms") << QByteArray("Atlantic/Canary") << year << utc("2024-12-31T23:59:59.999Z") << true;
        QTest::newRow("year: next year") << QByteArray("Atlantic/Canary") << year << utc("2025-01-01T00:00:00.000Z") << false;
        QTest::newRow("year, Madrid: local first ms") << QByteArray("Europe/Madrid") << year << utc("2023-12-31T23:00:00.000Z") << true;
        QTest::newRow("year, Madrid: local last ms") << QByteArray("Europe/Madrid") << year << utc("2024-12-31T22:59:59.999Z") << true;
        QTest::newRow("year, Madrid: local next year") << QByteArray("Europe/Madrid") << year << utc("2024-12-31T23:00:00.000Z") << false;
        QTest::newRow("month: first ms (summer time)") << QByteArray("Europe/Madrid") << DateFilterMode::yearMonth(2024, 4) << utc("2024-03-31T22:00:00.000Z") << true;
        QTest::newRow("month: last ms") << QByteArray("Europe/Madrid") << march << utc("2024-03-31T21:59:59.999Z") << true;
        QTest::newRow("month: next month") << QByteArray("Europe/Madrid") << march << utc("2024-03-31T22:00:00.000Z") << false;
        QTest::newRow("month: ms before") << QByteArray("Europe/Madrid") << march << utc("2024-02-29T22:59:59.999Z") << false;
        QTest::newRow("December: last ms") << QByteArray("UTC") << december << utc("2023-12-31T23:59:59.999Z") << true;
        QTest::newRow("December: into January") << QByteArray("UTC") << december << utc("2024-01-01T00:00:00.000Z") << false;
        const auto range = DateFilterMode::customRange(utc("2024-03-01T00:00:00Z"), utc("2024-03-05T23:59:59.999Z"));
        QTest::newRow("range: start") << QByteArray("UTC") << range << utc("2024-03-01T00:00:00Z") << true;
        QTest::newRow("range: before start") << QByteArray("UTC") << range << utc("2024-02-29T23:59:59.999Z") << false;
        QTest::newRow("range: end") << QByteArray("UTC") << range << utc("2024-03-05T23:59:59.999Z") << true;
        QTest::newRow("range: a second after the end") << QByteArray("UTC") << range << utc("2024-03-06T00:00:00.999Z") << false;
        QTest::newRow("reversed range") << QByteArray("UTC") << DateFilterMode::customRange(range.end(), range.start())
                                        << utc("2024-03-03T00:00:00Z") << false;
        // Asunción: summer time began at local midnight on 1 October 2023 (a gap).
        const auto september = DateFilterMode::yearMonth(2023, 9);
        QTest::newRow("Asuncion: September's last ms") << QByteArray("America/Asuncion") << september << utc("2023-10-01T03:59:59.999Z") << true;
        QTest::newRow("Asuncion: October's first instant") << QByteArray("America/Asuncion") << september << utc("2023-10-01T04:00:00Z") << false;
        QTest::newRow("Asuncion: in October") << QByteArray("America/Asuncion") << DateFilterMode::yearMonth(2023, 10) << utc("2023-10-01T04:00:00Z") << true;
        QTest::newRow("Asuncion: not yet October") << QByteArray("America/Asuncion") << DateFilterMode::yearMonth(2023, 10) << utc("2023-10-01T03:59:59.999Z") << false;
    }
    void filterBounds()
    {
        QFETCH(QByteArray, zone);
        QFETCH(DateFilterMode, mode);
        QFETCH(QDateTime, event);
        QFETCH(bool, included);
        Store s;
        s.add(event, QStringLiteral("PLACE"), QStringLiteral("one"));
        Model m(zone.constData());
        m.vm.onAppear(s.context());
        m.vm.applyFilter(mode);
        QCOMPARE(m.vm.totalCount(), included ? 1 : 0);
        QCOMPARE(m.vm.loadedCount(), included ? 1 : 0);
    }

    void boundsComeFromTheStartOfDays()
    {
        // Asunción's October begins in a gap; a month added to September's start would end it at 05:00Z.
        const QTimeZone asuncion("America/Asuncion");
        const auto september = HistoricoViewModel::boundsFor(DateFilterMode::yearMonth(2023, 9), asuncion);
        QVERIFY(september);
        QCOMPARE(september->from, utc("2023-09-01T04:00:00Z"));
        QCOMPARE(september->to, utc("2023-10-01T04:00:00Z"));
        QVERIFY(!september->toInclusive);
        QCOMPARE(HistoricoViewModel::boundsFor(DateFilterMode::none(), asuncion), std::nullopt);
        QCOMPARE(HistoricoViewModel::boundsFor(DateFilterMode::yearMonth(2023, 0), asuncion), std::nullopt);
        QCOMPARE(HistoricoViewModel::boundsFor(DateFilterMode::yearMonth(2023, 13), asuncion), std::nullopt);
        // An invalid instant never reaches the store: that filter has no predicate.
        QCOMPARE(HistoricoViewModel::boundsFor(DateFilterMode::customRange(QDateTime(), utc("2024-01-01T00:00:00Z")), asuncion),
                 std::nullopt);
    }

    void absentMonthIsNotMonthZero()
    {
        HistoricoViewModel vm;
        QVERIFY(DateFilterMode::yearMonth(2024) != DateFilterMode::yearMonth(2024, 0));
        QCOMPARE(vm.yearMonthFilter(2024, QVariant()), DateFilterMode::yearMonth(2024));
        QCOMPARE(vm.yearMonthFilter(2024, QVariant::fromValue(nullptr)), DateFilterMode::yearMonth(2024));
        QCOMPARE(vm.yearMonthFilter(2024, 3), DateFilterMode::yearMonth(2024, 3));
        QCOMPARE(vm.yearMonthFilter(2024, 0), DateFilterMode::yearMonth(2024, 0));
        // A month outside 1-12 gives no predicate: every event.
        Store s;
        s.add(utc("2020-05-05T00:00:00Z"));
        Model m;
        m.vm.onAppear(s.context());
        m.vm.applyFilter(DateFilterMode::yearMonth(2024, 13));
        QCOMPARE(m.vm.totalCount(), 1);
    }

    void sectionFilterAndYearAgreeInEachZone_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("subtitle");
        QTest::newRow("UTC") << QByteArray("UTC") << "Marzo 2024" << 3 << "Data up to 31 mar 2024";
        QTest::newRow("Canary") << QByteArray("Atlantic/Canary") << "Abril 2024" << 4 << "Data up to 1 abr 2024";
        QTest::newRow("Madrid") << QByteArray("Europe/Madrid") << "Abril 2024" << 4 << "Data up to 1 abr 2024";
    }
    void sectionFilterAndYearAgreeInEachZone()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, title);
        QFETCH(int, month);
        QFETCH(QString, subtitle);
        Store s;
        s.add(utc("2024-03-31T23:30:00Z"));
        Model m(zone.constData());
        m.vm.onAppear(s.context());
        m.vm.loadAvailableYears(s.context());
        QCOMPARE(m.vm.availableYears(), QList<int>{2024});
        QCOMPARE(sections(m.vm), (Sections{{title, 1}}));
        QCOMPARE(m.vm.listModel()->data(m.vm.listModel()->index(0), HistoricoListModel::SectionIdRole).toString(), title);
        QCOMPARE(m.vm.listModel()->data(m.vm.listModel()->index(0), HistoricoListModel::SectionTitleRole).toString(), title);
        QCOMPARE(m.vm.navSubtitle(), std::optional(subtitle));
        m.vm.applyFilter(DateFilterMode::yearMonth(2024, month));
        QCOMPARE(m.vm.totalCount(), 1);
        m.vm.applyFilter(DateFilterMode::yearMonth(2024, month == 3 ? 4 : 3));
        QCOMPARE(m.vm.totalCount(), 0);
    }

    void yearsAndTitlesInTheLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("es_ES") << "es_ES" << QStringList{"Marzo 2024", "Diciembre 2023", "Enero 2009"};
        QTest::newRow("ca_ES") << "ca_ES" << QStringList{"De març 2024", "De desembre 2023", "De gener 2009"};
        QTest::newRow("en_US") << "en_US" << QStringList{"March 2024", "December 2023", "January 2009"};
    }
    void yearsAndTitlesInTheLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QStringList, titles);
        Store s;
        s.add(utc("2024-03-10T10:00:00Z"));
        s.add(utc("2024-03-01T10:00:00Z"));
        s.add(utc("2023-12-31T10:00:00Z"));
        s.add(utc("2009-01-01T00:00:00Z"));
        Model m("UTC", locale.toLatin1().constData());
        m.vm.onAppear(s.context());
        m.vm.loadAvailableYears(s.context());
        QCOMPARE(m.vm.availableYears(), (QList<int>{2024, 2023, 2009}));  // plain numbers, newest first
        QStringList got;
        for (const auto &[title, rows] : sections(m.vm))
            got << title;
        QCOMPARE(got, titles);
        QCOMPARE(sections(m.vm).first().second, 2);
    }

    void yearsFollowTheZoneAndIgnoreTheFilter()
    {
        Store s;
        s.add(utc("2023-12-31T23:30:00Z"));  // 2024 in Madrid, 2023 in UTC
        s.add(utc("2022-06-01T12:00:00Z"));
        Model madrid("Europe/Madrid");
        madrid.vm.applyFilter(DateFilterMode::yearMonth(2022));
        madrid.vm.loadAvailableYears(s.context());
        QCOMPARE(madrid.vm.availableYears(), (QList<int>{2024, 2022}));
        Model inUtc("UTC");
        inUtc.vm.loadAvailableYears(s.context());
        QCOMPARE(inUtc.vm.availableYears(), (QList<int>{2023, 2022}));
        Store empty;
        inUtc.vm.loadAvailableYears(empty.context());
        QCOMPARE(inUtc.vm.availableYears(), QList<int>{});
    }

    void pagesFollowTheLastRow_data()
    {
        QTest::addColumn<int>("events");
        QTest::addColumn<QList<bool>>("hasMoreAfterEachPage");
        QTest::newRow("0") << 0 << QList<bool>{false};
        QTest::newRow("50") << 50 << QList<bool>{false};
        QTest::newRow("51") << 51 << QList<bool>{true, false};
        QTest::newRow("120") << 120 << QList<bool>{true, true, false};
    }
    void pagesFollowTheLastRow()
    {
        // Every event at one instant: only the eventID orders them.
        QFETCH(int, events);
        QFETCH(QList<bool>, hasMoreAfterEachPage);
        Store s;
        const QDateTime when = utc("2024-05-05T05:05:05Z");
        for (int i = 0; i < events; ++i)
            s.stage(when);
        QVERIFY(s.context()->save());
        Model m;
        QAbstractItemModelTester tester(m.vm.listModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.vm.onAppear(s.context());
        QCOMPARE(m.vm.totalCount(), events);
        for (int page = 0; page < hasMoreAfterEachPage.size(); ++page) {
            if (page > 0)
                m.vm.loadMore();
            QCOMPARE(m.vm.hasMore(), hasMoreAfterEachPage.at(page));
        }
        const QStringList got = ids(shown(m.vm));
        QCOMPARE(got.size(), events);
        QCOMPARE(QSet<QString>(got.begin(), got.end()).size(), events);
        QStringList sorted = got;
        std::sort(sorted.begin(), sorted.end(), std::greater<>());
        QCOMPARE(got, sorted);  // ties newest first by eventID descending
        m.vm.loadMore();  // nothing further
        QCOMPARE(m.vm.loadedCount(), events);
        QCOMPARE(m.vm.listModel()->count(), events);
    }

    void savesBetweenPagesShiftNothing()
    {
        Store s;
        const QDateTime base = utc("2024-05-05T00:00:00Z");
        for (int i = 0; i < 120; ++i)
            s.stage(base.addSecs(-60 * i), QStringLiteral("A"), QStringLiteral("a%1").arg(i, 3, 10, QLatin1Char('0')));
        QVERIFY(s.context()->save());
        Model m;
        m.vm.onAppear(s.context());
        m.vm.applyFilter(DateFilterMode::yearMonth(2024));
        QCOMPARE(m.vm.totalCount(), 120);
        // Newer events arrive while the user pages: by offset, each later page would repeat rows.
        for (int i = 0; i < 30; ++i)
            s.stage(base.addSecs(3600 + i), QStringLiteral("NEW"), QStringLiteral("new%1").arg(i));
        QVERIFY(s.context()->save());
        QSignalSpy inserted(m.vm.listModel(), &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(m.vm.listModel(), &QAbstractItemModel::modelReset);
        m.vm.loadMore();
        m.vm.loadMore();
        QCOMPARE(inserted.count(), 2);  // appended, never reset: the list keeps its position
        QCOMPARE(reset.count(), 0);
        QStringList expected;
        for (int i = 0; i < 120; ++i)
            expected << QStringLiteral("a%1").arg(i, 3, 10, QLatin1Char('0'));
        QCOMPARE(ids(shown(m.vm)), expected);
        QVERIFY(!m.vm.hasMore());
    }

    void shortOrFailingPagesEndThePaging()
    {
        Store s;
        for (int i = 0; i < 120; ++i)
            s.stage(utc("2024-05-05T00:00:00Z").addSecs(-i));
        QVERIFY(s.context()->save());
        ScriptedContext scripted(s.container.get());

        // A short page: the count says more, but the pages have ended.
        Model m;
        m.vm.onAppear(&scripted);
        QVERIFY(m.vm.hasMore());
        scripted.shortenBy = 1;
        m.vm.loadMore();
        QCOMPARE(m.vm.loadedCount(), 99);
        QVERIFY(!m.vm.hasMore());

        // A failing page is an empty page: it ends the paging too, without a message.
        scripted.shortenBy = 0;
        m.vm.loadInitial();
        QVERIFY(m.vm.hasMore());
        scripted.failPages = true;
        QSignalSpy hasMore(&m.vm, &HistoricoViewModel::hasMoreChanged);
        m.vm.loadMore();
        QCOMPARE(m.vm.loadedCount(), 50);
        QVERIFY(!m.vm.hasMore());
        QCOMPARE(hasMore.count(), 1);
        QVERIFY(!m.vm.isLoading());

        // A failing first page: nothing loaded and no more, whatever the count.
        m.vm.loadInitial();
        QCOMPARE(m.vm.totalCount(), 120);
        QCOMPARE(m.vm.loadedCount(), 0);
        QVERIFY(!m.vm.hasMore());
        QCOMPARE(m.vm.navSubtitle(), std::nullopt);

        // A failing count reads as 0; failing years read as none.
        scripted.failPages = false;
        scripted.failCount = true;
        m.vm.loadInitial();
        QCOMPARE(m.vm.totalCount(), 0);
        QCOMPARE(m.vm.loadedCount(), 50);
        QVERIFY(!m.vm.hasMore());
        m.vm.loadAvailableYears(s.context());
        QCOMPARE(m.vm.availableYears(), QList<int>{2024});
        scripted.failDates = true;
        m.vm.loadAvailableYears(&scripted);
        QCOMPARE(m.vm.availableYears(), QList<int>{});
    }

    void loadGuards()
    {
        Store s;
        for (int i = 0; i < 60; ++i)
            s.stage(utc("2024-05-05T00:00:00Z").addSecs(-i));
        QVERIFY(s.context()->save());
        ScriptedContext scripted(s.container.get());
        Model m;
        // No context yet: nothing happens.
        m.vm.loadInitial();
        m.vm.loadMore();
        QCOMPARE(scripted.fetches, 0);
        QVERIFY(!m.vm.isLoading());
        // While a load is running, loadMore() starts no second one.
        m.vm.setHoldsLoads(true);
        m.vm.onAppear(&scripted);
        QVERIFY(m.vm.isLoading());
        QCOMPARE(m.vm.loadedCount(), 0);
        m.vm.loadMore();
        QCOMPARE(scripted.fetches, 0);
        m.vm.setHoldsLoads(false);
        m.vm.loadInitial();
        QCOMPARE(scripted.fetches, 1);
        QVERIFY(!m.vm.isLoading());
        m.vm.setHoldsLoads(true);
        m.vm.loadMore();  // held open: isLoading stays
        QVERIFY(m.vm.isLoading());
        m.vm.setHoldsLoads(false);
        m.vm.loadMore();
        QCOMPARE(scripted.fetches, 1);
        // Once everything is loaded, loadMore() reads nothing.
        m.vm.loadInitial();
        m.vm.loadMore();
        QCOMPARE(scripted.fetches, 3);
        QVERIFY(!m.vm.hasMore());
        m.vm.loadMore();
        QCOMPARE(scripted.fetches, 3);
    }

    void countsEqualAPlainCount_data()
    {
        QTest::addColumn<DateFilterMode>("mode");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QVariantList>("values");
        QTest::newRow("none") << DateFilterMode::none() << QString() << QVariantList{};
        QTest::newRow("year") << DateFilterMode::yearMonth(2021) << "WHERE date >= ? AND date < ?"
                              << QVariantList{utc("2021-01-01T00:00:00Z").toMSecsSinceEpoch(), utc("2022-01-01T00:00:00Z").toMSecsSinceEpoch()};
        QTest::newRow("month") << DateFilterMode::yearMonth(2021, 2) << "WHERE date >= ? AND date < ?"
                               << QVariantList{utc("2021-02-01T00:00:00Z").toMSecsSinceEpoch(), utc("2021-03-01T00:00:00Z").toMSecsSinceEpoch()};
        const QDateTime a = utc("2021-02-10T00:00:00Z"), b = utc("2021-04-02T12:00:00Z");
        QTest::newRow("range") << DateFilterMode::customRange(a, b) << "WHERE date >= ? AND date <= ?"
                               << QVariantList{a.toMSecsSinceEpoch(), b.toMSecsSinceEpoch()};
    }
    void countsEqualAPlainCount()
    {
        QFETCH(DateFilterMode, mode);
        QFETCH(QString, where);
        QFETCH(QVariantList, values);
        Store s;
        for (int i = 0; i < 400; ++i)
            s.stage(utc("2022-01-01T00:00:00Z").addSecs(-qint64(i) * 97 * 3600));
        QVERIFY(s.context()->save());
        {
            // A row without a date is left out of ranges and of pages after a cursor.
            QSqlQuery q(s.container->database());
            QVERIFY(q.exec(QStringLiteral("INSERT INTO Earthquake (eventID, date, location) VALUES ('nodate', NULL, 'X')")));
        }
        Model m;
        m.vm.onAppear(s.context());
        m.vm.applyFilter(mode);
        QCOMPARE(qint64(m.vm.totalCount()), s.plainCount(where, values));
        while (m.vm.hasMore())
            m.vm.loadMore();
        if (!mode.isNone()) {
            QCOMPARE(m.vm.loadedCount(), m.vm.totalCount());
            QVERIFY(!ids(shown(m.vm)).contains(QStringLiteral("nodate")));
        }
    }

    void cursorLeavesOutOnlyImpliedBounds_data()
    {
        QTest::addColumn<SortOrder>("order");
        QTest::addColumn<int>("cursorMinutes");
        QTest::addColumn<QStringList>("expected");
        // Events at minutes 0..5 of one hour; the range is minutes 1..3 inclusive.
        QTest::newRow("reverse, cursor inside") << SortOrder::Reverse << 3 << QStringList{"m2", "m1"};
        QTest::newRow("reverse, cursor after the range") << SortOrder::Reverse << 5 << QStringList{"m3", "m2", "m1"};
        QTest::newRow("forward, cursor inside") << SortOrder::Forward << 2 << QStringList{"m3"};
        QTest::newRow("forward, cursor before the range") << SortOrder::Forward << -1 << QStringList{"m1", "m2", "m3"};
    }
    void cursorLeavesOutOnlyImpliedBounds()
    {
        QFETCH(SortOrder, order);
        QFETCH(int, cursorMinutes);
        QFETCH(QStringList, expected);
        Store s;
        const QDateTime base = utc("2024-01-01T10:00:00Z");
        for (int i = 0; i <= 5; ++i)
            s.stage(base.addSecs(60 * i), QStringLiteral("P"), QStringLiteral("m%1").arg(i));
        QVERIFY(s.context()->save());
        FetchDescriptor d;
        d.dateFrom = base.addSecs(60);
        d.dateTo = base.addSecs(180);
        d.dateToInclusive = true;
        d.sortByDate = order;
        d.after = PageCursor{base.addSecs(60 * cursorMinutes).toMSecsSinceEpoch(), QStringLiteral("m%1").arg(cursorMinutes)};
        const auto page = s.context()->fetch(d);
        QVERIFY(page);
        QCOMPARE(ids(*page), expected);
        QCOMPARE(*s.context()->fetchCount(d), qint64(expected.size()));
    }

    void searchNarrowsTheLoadedRows()
    {
        Store s;
        s.add(utc("2024-05-05T10:00:00Z"), QStringLiteral("GÜÍMAR.ITF"));
        s.add(utc("2024-05-04T10:00:00Z"), QStringLiteral("100% <b>LA PALMA</b>"));
        s.add(utc("2024-05-03T10:00:00Z"), QStringLiteral("LINE\nBREAK"));
        s.add(utc("2024-04-03T10:00:00Z"), QStringLiteral("N_TENERIFE*"));
        Model m;
        m.vm.setDebounceInterval(0);
        m.vm.onAppear(s.context());
        auto search = [&](const QString &text) {
            m.vm.setSearchText(text);
            QStringList places;
            if (!QTest::qWaitFor([&] { return m.vm.debouncedSearchText() == text; }, TestWait::bound))
                return QStringList{QStringLiteral("<search not delivered>")};
            for (const EarthquakePtr &e : shown(m.vm))
                places << e->location();
            return places;
        };
        QCOMPARE(search(QStringLiteral("  \tguimar ")), QStringList{"GÜÍMAR.ITF"});
        QCOMPARE(search(QStringLiteral("%")), QStringList{"100% <b>LA PALMA</b>"});
        QCOMPARE(search(QStringLiteral("<b>la")), QStringList{"100% <b>LA PALMA</b>"});
        QCOMPARE(search(QStringLiteral("_")), QStringList{"N_TENERIFE*"});
        QCOMPARE(search(QStringLiteral("*")), QStringList{"N_TENERIFE*"});
        QCOMPARE(search(QStringLiteral("e\nb")), QStringList{"LINE\nBREAK"});
        QCOMPARE(search(QStringLiteral("\nbreak")), QStringList{"LINE\nBREAK"});  // line breaks are not trimmed
        QCOMPARE(search(QStringLiteral("   ")).size(), 4);
        // A search that hides the newest event keeps the subtitle on it; a miss leaves no sections.
        QCOMPARE(search(QStringLiteral("tenerife")), QStringList{"N_TENERIFE*"});
        QCOMPARE(sections(m.vm), (Sections{{QStringLiteral("Abril 2024"), 1}}));
        QCOMPARE(m.vm.navSubtitle(), std::optional(QStringLiteral("Data up to 5 may 2024")));
        search(QStringLiteral("zzzz"));
        QVERIFY(sections(m.vm).isEmpty());
        QCOMPARE(m.vm.loadedCount(), 4);
        // Applying a filter reloads page 1 and keeps the search.
        m.vm.applyFilter(DateFilterMode::yearMonth(2024, 5));
        QCOMPARE(m.vm.searchText(), QStringLiteral("zzzz"));
        QCOMPARE(m.vm.loadedCount(), 3);
        QCOMPARE(m.vm.listModel()->count(), 0);
    }

    void listKeepsItsRowsUnlessTheSearchChanges()
    {
        // A reset scrolls the list back to its top: the first pass of the debounce, or a text
        // that searches the same, must not reset it.
        Store s;
        for (int i = 0; i < 60; ++i)
            s.stage(utc("2024-05-05T00:00:00Z").addSecs(-i));
        QVERIFY(s.context()->save());
        HistoricoViewModel vm;
        vm.setDebounceInterval(50);
        vm.onAppear(s.context());
        vm.loadMore();
        QSignalSpy reset(vm.listModel(), &QAbstractItemModel::modelReset);
        QSignalSpy debounced(&vm, &HistoricoViewModel::debouncedSearchTextChanged);
        QTRY_COMPARE_WITH_TIMEOUT(debounced.count(), 1, TestWait::bound);
        vm.setSearchText(QStringLiteral("  "));
        QTRY_COMPARE_WITH_TIMEOUT(debounced.count(), 2, TestWait::bound);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(vm.listModel()->count(), 60);
        vm.setSearchText(QStringLiteral("x"));
        QTRY_COMPARE_WITH_TIMEOUT(reset.count(), 1, TestWait::bound);
        QCOMPARE(vm.listModel()->count(), 0);
    }

    void searchIsDebounced()
    {
        HistoricoViewModel vm;
        QSignalSpy debounced(&vm, &HistoricoViewModel::debouncedSearchTextChanged);
        QTRY_COMPARE_WITH_TIMEOUT(debounced.count(), 1, TestWait::bound);  // the initial empty text passes once
        auto *wait = vm.findChild<QTimer *>(QStringLiteral("searchDebounceWait"));
        QVERIFY(wait);
        QSignalSpy waitEnded(wait, &QTimer::timeout);
        vm.setSearchText(QStringLiteral("pal"));
        vm.setSearchText(QStringLiteral("palm"));
        QVERIFY(wait->isActive());  // held until the pause is over
        QCOMPARE(debounced.count(), 1);
        QCOMPARE(vm.debouncedSearchText(), QString());
        QVERIFY(waitEnded.wait(TestWait::bound));
        QCOMPARE(waitEnded.count(), 1);  // one pass for the burst
        QCOMPARE(debounced.count(), 2);
        QCOMPARE(vm.debouncedSearchText(), QStringLiteral("palm"));
        vm.setSearchText(QStringLiteral("x"));
        vm.setSearchText(QStringLiteral("palm"));  // back to the value passed: nothing new
        QVERIFY(waitEnded.wait(TestWait::bound));
        QCOMPARE(debounced.count(), 2);
    }

    void emptyStore()
    {
        Store s;
        Model m;
        m.vm.onAppear(s.context());
        m.vm.loadAvailableYears(s.context());
        QCOMPARE(m.vm.totalCount(), 0);
        QCOMPARE(m.vm.loadedCount(), 0);
        QVERIFY(!m.vm.hasMore());
        QVERIFY(!m.vm.isLoading());
        QCOMPARE(m.vm.navSubtitle(), std::nullopt);
        QVERIFY(sections(m.vm).isEmpty());
        QVERIFY(m.vm.availableYears().isEmpty());
    }
};

QTEST_MAIN(TestHistoryViewModel)
#include "tst_history_viewmodel.moc"
