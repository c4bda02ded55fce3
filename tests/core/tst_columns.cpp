// The table Earthquake as the store creates it, and how each stored value reads back, whatever
// another program put in the columns.
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A record as text, field by field in the table's order: a test names what it expects at once.
QStringList fields(const Earthquake &e)
{
    const auto number = [](double value) { return QString::number(value, 'g', 17); };
    return {e.eventID().isNull() ? QStringLiteral("<null>") : e.eventID(),
            QString::number(e.dateMs()),
            number(e.latitude()),
            number(e.longitude()),
            number(e.depth()),
            number(e.magnitude()),
            e.magnitudeType().isNull() ? QStringLiteral("<null>") : e.magnitudeType(),
            e.maxIntensity() ? *e.maxIntensity() : QStringLiteral("<none>"),
            e.location().isNull() ? QStringLiteral("<null>") : e.location(),
            QString::number(e.fetchedAtMs())};
}

}  // namespace

class TestColumns : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_files = 0;

    std::unique_ptr<ModelContainer> open()
    {
        auto opened = ModelContainer::open({m_dir.filePath(QStringLiteral("store%1.sqlite").arg(++m_files)), false});
        return opened ? std::move(*opened) : nullptr;
    }

private slots:
    // Stores already on users' disks hold this schema: a new store gets it to the letter.
    void newStoreHasTheSchemaOfEveryStore()
    {
        auto store = open();
        QVERIFY(store);
        QSqlQuery q(store->database());
        QVERIFY(q.exec(QStringLiteral("SELECT type, name, tbl_name, coalesce(sql, '') FROM sqlite_master ORDER BY name")));
        QStringList objects;
        while (q.next())
            objects << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                   q.value(3).toString()}.join(QLatin1Char('|'));
        const QStringList expected = {
            QStringLiteral("table|Earthquake|Earthquake|CREATE TABLE Earthquake (eventID TEXT NOT NULL UNIQUE, "
                           "date INTEGER, latitude REAL, longitude REAL, depth REAL, magnitude REAL, "
                           "magnitudeType TEXT, maxIntensity TEXT, location TEXT, fetchedAt INTEGER)"),
            QStringLiteral("index|Earthquake_date|Earthquake|CREATE INDEX Earthquake_date ON Earthquake(date, eventID)"),
            QStringLiteral("index|sqlite_autoindex_Earthquake_1|Earthquake|"),
        };
        QCOMPARE(objects, expected);
        QVERIFY(q.exec(QStringLiteral("PRAGMA user_version")) && q.next());
        QCOMPARE(q.value(0).toInt(), 1);
    }

    void savedRecordFillsEveryColumn()
    {
        auto store = open();
        QVERIFY(store);
        const QDateTime date(QDate(2025, 3, 5), QTime(12, 0), Qt::UTC);
        store->mainContext()->insert(std::make_shared<Earthquake>(
            QStringLiteral("es1"), date, 28.25, -16.5, 12.5, 2.75, QStringLiteral("mbLg"), QStringLiteral("II-III"),
            QStringLiteral("NE TENERIFE"), date.addDays(1)));
        QVERIFY(store->mainContext()->save());
        QSqlQuery q(store->database());
        QVERIFY(q.exec(QStringLiteral("SELECT * FROM Earthquake")) && q.next());
        QStringList stored;
        for (int i = 0; i < 10; ++i)
            stored << QStringLiteral("%1=%2").arg(q.record().fieldName(i), q.value(i).toString());
        QCOMPARE(stored, (QStringList{QStringLiteral("eventID=es1"), QStringLiteral("date=1741176000000"),
                                      QStringLiteral("latitude=28.25"), QStringLiteral("longitude=-16.5"),
                                      QStringLiteral("depth=12.5"), QStringLiteral("magnitude=2.75"),
                                      QStringLiteral("magnitudeType=mbLg"), QStringLiteral("maxIntensity=II-III"),
                                      QStringLiteral("location=NE TENERIFE"), QStringLiteral("fetchedAt=1741262400000")}));
    }

    // Values of other types, as another program may store them: each reads as it always has.
    void storedValuesRead_data()
    {
        QTest::addColumn<QString>("values");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char *name, const char *values, const QStringList &expected) {
            QTest::newRow(name) << QString::fromUtf8(values) << expected;
        };
        const auto list = [](const char *text) { return QString::fromUtf8(text).split(QLatin1Char('|')); };
        row("plain", "'es1', 1741176000000, 28.25, -16.5, 12.5, 2.75, 'mbLg', 'II', 'TENERIFE', 5",
            list("es1|1741176000000|28.25|-16.5|12.5|2.75|mbLg|II|TENERIFE|5"));
        row("nulls", "'es1', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL",
            list("es1|0|0|0|0|0|<null>|<none>||0"));
        row("text in number columns", "'es1', 'yesterday', 'north', ' 12.5 ', 'deep', '3e1', 'x', 'A', 'B', '7'",
            list("es1|0|0|12.5|0|30|x|A|B|7"));
        row("real dates", "'es1', 1772366400000.5, 1, 2, 3, 4, 'x', 'A', 'B', -2.5",
            list("es1|1772366400001|1|2|3|4|x|A|B|-3"));
        row("infinite date", "'es1', 9e999, 1, 2, 3, 4, 'x', 'A', 'B', -9e999",
            list("es1|-9223372036854775808|1|2|3|4|x|A|B|-9223372036854775808"));
        row("infinite numbers", "'es1', 5, 9e999, -9e999, 0, 1, 'x', 'A', 'B', 0",
            list("es1|5|inf|-inf|0|1|x|A|B|0"));
        row("blobs", "x'6573', x'31', x'32', x'2d31362e35', x'', x'00', x'41', x'49', x'4142', x'39'",
            list("es|1|2|-16.5|0|0|A|I|AB|9"));
        row("numbers in text columns", "12, 5, 1, 2, 3, 4, 1.5, 3, 7, 0", list("12|5|1|2|3|4|1.5|3|7|0"));
        row("malformed text", "'es1', 5, 1, 2, 3, 4, 'x', 'A', CAST(x'ff41' AS TEXT), 0",
            list("es1|5|1|2|3|4|x|A|\uFFFDA|0"));
    }

    void storedValuesRead()
    {
        QFETCH(QString, values);
        QFETCH(QStringList, expected);
        auto store = open();
        QVERIFY(store);
        QSqlQuery q(store->database());
        QVERIFY2(q.exec(QStringLiteral("INSERT INTO Earthquake VALUES (%1)").arg(values)), qPrintable(q.lastError().text()));
        const auto fetched = store->mainContext()->fetch({});
        QVERIFY(fetched);
        QCOMPARE(fetched->size(), 1);
        QCOMPARE(fields(*fetched->constFirst()), expected);
        // Read by row id, the same.
        const auto byRow = store->mainContext()->fetchRows({fetched->constFirst()->id().value});
        QVERIFY(byRow && byRow->size() == 1);
        QCOMPARE(fields(*byRow->constFirst()), expected);
    }
};

QTEST_GUILESS_MAIN(TestColumns)
#include "tst_columns.moc"
