#include "Platform/FixedFormat.h"
#include "Platform/Geo.h"
#include "Platform/Localization.h"
#include "Platform/UserDefaults.h"

#include <QTemporaryDir>
#include <QTest>
#include <clocale>
#include <limits>

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void fixedFormats_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        // Whatever the process locale says, the separator is a full stop.
        std::setlocale(LC_ALL, "de_DE.UTF-8");
        QTest::newRow("one decimal") << FixedFormat::oneDecimal(3.14159) << "3.1";
        QTest::newRow("tie to even on the binary value 0.25") << FixedFormat::oneDecimal(0.25) << "0.2";
        QTest::newRow("0.35 is stored just below") << FixedFormat::oneDecimal(0.35) << "0.3";
        QTest::newRow("negative zero keeps its sign") << FixedFormat::oneDecimal(-0.0) << "-0.0";
        QTest::newRow("small negative rounds to -0.0") << FixedFormat::oneDecimal(-0.04) << "-0.0";
        QTest::newRow("no grouping") << FixedFormat::oneDecimal(12345.67) << "12345.7";
        QTest::newRow("nan") << FixedFormat::oneDecimal(std::numeric_limits<double>::quiet_NaN()) << "nan";
        QTest::newRow("inf") << FixedFormat::oneDecimal(std::numeric_limits<double>::infinity()) << "inf";
        QTest::newRow("km rounds half to even") << FixedFormat::kilometres(12.5) << "12 km";
        QTest::newRow("km") << FixedFormat::kilometres(13.5) << "14 km";
        QTest::newRow("coordinate, binary value just below the tie") << FixedFormat::coordinate(28.45215, -15.9) << "28.4521°, -15.9000°";
        QTest::newRow("format with specifiers")
            << Localization::format(QStringLiteral("M %.1f — %@ (%lld) 100%%"), {4.25, QStringLiteral("TENERIFE"), 7})
            << "M 4.2 — TENERIFE (7) 100%";
        QTest::newRow("missing arguments become empty")
            << Localization::format(QStringLiteral("%@ and %lld and %.1f"), {}) << " and  and ";
        QTest::newRow("trailing percent") << Localization::format(QStringLiteral("50%"), {}) << "50%";
        std::setlocale(LC_ALL, "C");
    }
    void fixedFormats()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    void userDefaultsTypedReads()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("defaults.conf"));
        {
            UserDefaults d(path);
            d.setDate(QStringLiteral("date"), QDateTime(QDate(2025, 3, 5), QTime(14, 7, 33), Qt::UTC));
            d.setString(QStringLiteral("text"), QStringLiteral("2025-03-05T14:07:33Z"));
            d.setBool(QStringLiteral("flag"), true);
            d.setDouble(QStringLiteral("radius"), 50.5);
            d.sync();
        }
        UserDefaults d(path);  // read back from the file, as after a restart
        QCOMPARE(d.dateValue(QStringLiteral("date")),
                 std::optional(QDateTime(QDate(2025, 3, 5), QTime(14, 7, 33), Qt::UTC)));
        QCOMPARE(d.dateValue(QStringLiteral("text")), std::nullopt);  // a text is not a date
        QCOMPARE(d.dateValue(QStringLiteral("absent")), std::nullopt);
        QCOMPARE(d.boolValue(QStringLiteral("flag")), true);
        QCOMPARE(d.boolValue(QStringLiteral("text")), false);
        QCOMPARE(d.boolValue(QStringLiteral("absent")), false);
        QCOMPARE(d.doubleValue(QStringLiteral("radius")), 50.5);
        QCOMPARE(d.doubleValue(QStringLiteral("text")), 0.0);
        QCOMPARE(d.stringValue(QStringLiteral("absent")), std::nullopt);
        QVERIFY(d.contains(QStringLiteral("flag")));
        d.remove(QStringLiteral("flag"));
        QVERIFY(!d.contains(QStringLiteral("flag")));
    }

    void greatCircle()
    {
        // Las Palmas to Santa Cruz de Tenerife: about 88 km.
        const auto d = Geo::distanceMeters(QGeoCoordinate(28.1235, -15.4363), QGeoCoordinate(28.4636, -16.2518));
        QVERIFY(d && *d > 85000 && *d < 91000);
        QCOMPARE(Geo::distanceMeters(QGeoCoordinate(), QGeoCoordinate(28, -15)), std::nullopt);
    }

    // The shipped table: one language per locale, the call site's default for any other.
    void shippedTables_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *locale, const char *key, const char *expected) {
            QTest::newRow(name) << QString::fromLatin1(locale) << QString::fromLatin1(key) << QString::fromUtf8(expected);
        };
        row("es: a default in English", "es_ES", "filter.reset", "Restablecer filtros");
        row("es: a section title", "es_ES", "list.section.24h", "Últimas 24 h \u2013 %@");
        row("es: Spanish default kept", "es_ES", "tab.sismos", "Sismos");
        row("es_MX through its language", "es_MX", "menu.refresh", "Actualizar terremotos");
        row("en: a default in Spanish", "en_US", "tab.sismos", "Earthquakes");
        row("en: a description", "en_GB", "magnitude.category.low.description",
            "Usually imperceptible or felt as a slight vibration. They cause no damage.");
        row("de: the default", "de_DE", "tab.sismos", "(default)");
        row("C: the default", "C", "filter.reset", "(default)");
    }
    void shippedTables()
    {
        QFETCH(QString, locale);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        Localization::setLocaleForTesting(QLocale(locale));
        QCOMPARE(Localization::text(key, QStringLiteral("(default)")), expected);
        Localization::setLocaleForTesting(QLocale::c());
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
