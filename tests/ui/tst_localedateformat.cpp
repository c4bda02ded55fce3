#include "Platform/LocaleDateFormat.h"

#include <QTest>
#include <QTimeZone>

// Row and detail dates through the locale's own patterns; the locale and the zone are given.
class TestLocaleDateFormat : public QObject {
    Q_OBJECT
private slots:
    void rowDate_data();
    void rowDate();
    void detailDate_data();
    void detailDate();
    void zoneDecidesTheDay();
    void invalidInputs();
};

// 2026-03-07 14:05:09 UTC
static QDateTime afternoon()
{
    return QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9), Qt::UTC);
}

// Months read as two digits ("03"), days as many as needed, years as two.
void TestLocaleDateFormat::rowDate_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("expected");
    // en_US prefers a 12-hour clock: 14:05 reads 02:05, with no AM/PM marker.
    QTest::newRow("en_US") << "en_US" << QByteArray("UTC") << "03/7/26, 02:05";
    QTest::newRow("es_ES") << "es_ES" << QByteArray("UTC") << "7/03/26, 14:05";
    QTest::newRow("de_DE") << "de_DE" << QByteArray("UTC") << "7.03.26, 14:05";
    // The Canaries are UTC+0 in winter; Madrid is one hour ahead.
    QTest::newRow("es_ES Madrid") << "es_ES" << QByteArray("Europe/Madrid") << "7/03/26, 15:05";
    QTest::newRow("es_ES Canarias") << "es_ES" << QByteArray("Atlantic/Canary") << "7/03/26, 14:05";
    // Hours keep two digits in the morning too, even where the locale writes "H".
    QTest::newRow("es_ES morning") << "es_ES" << QByteArray("Pacific/Honolulu") << "7/03/26, 04:05";
    QTest::newRow("en_US morning") << "en_US" << QByteArray("Pacific/Honolulu") << "03/7/26, 04:05";
}

void TestLocaleDateFormat::rowDate()
{
    QFETCH(QString, locale);
    QFETCH(QByteArray, zone);
    QFETCH(QString, expected);
    const LocaleDateFormat format(QStringLiteral("dMMyyJJmm"), locale, zone);
    QVERIFY(format.isValid());
    const QString text = format.format(afternoon());
    QCOMPARE(text, expected);
    QVERIFY2(!text.contains(QLatin1String("PM")) && !text.contains(QLatin1String("p. m.")), qPrintable(text));
}

void TestLocaleDateFormat::detailDate_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("en_US") << "en_US" << "Mar 7, 2026, 2:05:09\u202FPM";
    QTest::newRow("es_ES") << "es_ES" << "7 mar 2026, 14:05:09";
    QTest::newRow("de_DE") << "de_DE" << "7. März 2026, 14:05:09";
}

void TestLocaleDateFormat::detailDate()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    const LocaleDateFormat format(QStringLiteral("dMMMyjms"), locale, QByteArrayLiteral("UTC"));
    QCOMPARE(format.format(afternoon()), expected);
}

void TestLocaleDateFormat::zoneDecidesTheDay()
{
    // 23:30 UTC on 31 December is already 1 January one hour east of UTC.
    const QDateTime lateEvening(QDate(2025, 12, 31), QTime(23, 30), Qt::UTC);
    const LocaleDateFormat utc(QStringLiteral("dMMyyJJmm"), QStringLiteral("de_DE"), "UTC");
    const LocaleDateFormat berlin(QStringLiteral("dMMyyJJmm"), QStringLiteral("de_DE"), "Europe/Berlin");
    QCOMPARE(utc.format(lateEvening), QStringLiteral("31.12.25, 23:30"));
    QCOMPARE(berlin.format(lateEvening), QStringLiteral("1.01.26, 00:30"));
}

void TestLocaleDateFormat::invalidInputs()
{
    const LocaleDateFormat format(QStringLiteral("dMMyyJJmm"), QStringLiteral("es_ES"), "No/Such_Zone");
    QVERIFY(format.isValid());
    QVERIFY(format.format(QDateTime()).isEmpty());
    // An unknown zone reads as UTC rather than failing.
    QCOMPARE(format.format(afternoon()), QStringLiteral("7/03/26, 14:05"));
}

QTEST_GUILESS_MAIN(TestLocaleDateFormat)
#include "tst_localedateformat.moc"
