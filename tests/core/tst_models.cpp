#include "Models/Earthquake.h"
#include "Models/MagnitudeCategory.h"
#include "Models/Region.h"
#include "Platform/Localization.h"

#include <QTest>
#include <cmath>
#include <limits>

class TestModels : public QObject {
    Q_OBJECT
private slots:
    void categoryFromMagnitude_data()
    {
        QTest::addColumn<double>("magnitude");
        QTest::addColumn<int>("category");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        struct Row { const char *name; double m; MagnitudeCategory::Value c; };
        const Row rows[] = {
            {"negative", -0.5, MagnitudeCategory::Micro}, {"zero", 0.0, MagnitudeCategory::Micro},
            {"1.99", 1.99, MagnitudeCategory::Micro}, {"-inf", -inf, MagnitudeCategory::Micro},
            {"2.0 belongs above", 2.0, MagnitudeCategory::Low}, {"3.95", 3.95, MagnitudeCategory::Low},
            {"4.0", 4.0, MagnitudeCategory::Moderate}, {"5.99", 5.99, MagnitudeCategory::Moderate},
            {"6.0", 6.0, MagnitudeCategory::Strong}, {"6.99", 6.99, MagnitudeCategory::Strong},
            {"7.0", 7.0, MagnitudeCategory::Major}, {"9.5", 9.5, MagnitudeCategory::Major},
            {"+inf", inf, MagnitudeCategory::Major}, {"nan", nan, MagnitudeCategory::Major},
        };
        for (const Row &r : rows)
            QTest::newRow(r.name) << r.m << int(r.c);
    }
    void categoryFromMagnitude()
    {
        QFETCH(double, magnitude);
        QFETCH(int, category);
        QCOMPARE(int(MagnitudeCategory::from(magnitude).value()), category);
    }

    void categoryTexts()
    {
        Localization::setTableForTesting({});
        struct Row { MagnitudeCategory c; const char *raw; double min; QString range; QString label; QString description; };
        const Row rows[] = {
            {MagnitudeCategory::Micro, "micro", 0.0, QStringLiteral("< 2.0"), QStringLiteral("Micro"),
             QStringLiteral("Imperceptible para la mayoría de personas. Detectado únicamente por instrumentos sísmicos.")},
            {MagnitudeCategory::Low, "low", 2.0, QStringLiteral("2.0 \u2013 3.9"), QStringLiteral("Leve"),
             QStringLiteral("Habitualmente imperceptible o sentido como una ligera vibración. No causan daños.")},
            {MagnitudeCategory::Moderate, "moderate", 4.0, QStringLiteral("4.0 \u2013 5.9"), QStringLiteral("Moderado"),
             QStringLiteral("Se siente como un movimiento claro de suelos y paredes. Raramente causan daños, pero pueden ser aterradores.")},
            {MagnitudeCategory::Strong, "strong", 6.0, QStringLiteral("6.0 \u2013 6.9"), QStringLiteral("Fuerte"),
             QStringLiteral("Puede romper ventanas, hacer caer objetos y dañar edificios antiguos. Es necesario tener precaución.")},
            {MagnitudeCategory::Major, "major", 7.0, QStringLiteral("\u2265 7.0"), QStringLiteral("Muy Fuerte"),
             QStringLiteral("Puede causar destrucción significativa. Sigue las recomendaciones de seguridad, busca un lugar seguro y mantente alerta.")},
        };
        QCOMPARE(MagnitudeCategory::allCases().size(), size_t(5));
        for (size_t i = 0; i < 5; ++i) {
            const Row &r = rows[i];
            QCOMPARE(MagnitudeCategory::allCases()[i], r.c);
            QCOMPARE(r.c.rawValue(), QString::fromLatin1(r.raw));
            QCOMPARE(MagnitudeCategory::fromRawValue(QString::fromLatin1(r.raw)), std::optional(r.c));
            QCOMPARE(r.c.minimumMagnitude(), r.min);
            QCOMPARE(r.c.range(), r.range);
            QCOMPARE(r.c.label(), r.label);
            QCOMPARE(r.c.description(), r.description);
            if (r.c != MagnitudeCategory::Micro)
                QCOMPARE(MagnitudeCategory::from(r.min), r.c);
        }
        QCOMPARE(MagnitudeCategory::fromRawValue(QStringLiteral("Micro")), std::nullopt);
        QCOMPARE(MagnitudeCategory::fromRawValue(QString()), std::nullopt);
        QCOMPARE(MagnitudeCategory(MagnitudeCategory::Low).color(), QColor::fromRgbF(1.0f, 0.85f, 0.0f));

        // A table entry replaces the default; a table without the key gives the default.
        Localization::setLocaleForTesting(QLocale(QStringLiteral("en_GB")));
        Localization::setTableForTesting({{QStringLiteral("en"), {{QStringLiteral("magnitude.category.major"), QStringLiteral("Major")}}}});
        QCOMPARE(MagnitudeCategory(MagnitudeCategory::Major).label(), QStringLiteral("Major"));
        QCOMPARE(MagnitudeCategory(MagnitudeCategory::Strong).label(), QStringLiteral("Fuerte"));
        Localization::setTableForTesting({});
    }

    void region()
    {
        Localization::setTableForTesting({});
        const Region &r = Region::canaryIslands();
        QCOMPARE(&r, &Region::canaryIslands());
        QCOMPARE(r.id, QStringLiteral("canary_islands"));
        QCOMPARE(r.name, QStringLiteral("Islas Canarias"));
        QCOMPARE(r.dataSourceURL.scheme(), QStringLiteral("https"));
        QCOMPARE(r.dataSourceURL.path(), QStringLiteral("/web/vlc-ultimo-terremoto/-/sismovantaquelorin/get10dias"));
        QVERIFY(!r.dataSourceURL.hasQuery());
        const CoordinateRegion map = r.mapRegion();
        QCOMPARE(map.center.latitude(), 28.3);
        QCOMPARE(map.center.longitude(), -15.8);
        QCOMPARE(map.span.latitudeDelta, 8.0);
        QCOMPARE(map.span.longitudeDelta, 10.0);
        QCOMPARE(r.locale.name(), QStringLiteral("es_ES"));
    }

    void earthquakeRecord()
    {
        const QDateTime before = QDateTime::currentDateTimeUtc();
        const Earthquake a(QStringLiteral("es1"), before, 28.3, -15.8, 10, 1.99, QStringLiteral("mbLg"), std::nullopt, QString());
        const Earthquake b(QStringLiteral("es1"), before, 28.3, -15.8, 10, 1.99, QStringLiteral("mbLg"), std::nullopt, QString());
        QVERIFY(a.fetchedAt() >= before.addMSecs(-1) && a.fetchedAt() <= QDateTime::currentDateTimeUtc());
        QCOMPARE(a.coordinate().latitude(), 28.3);
        QCOMPARE(a.coordinate().longitude(), -15.8);
        QCOMPARE(a.magnitudeCategory(), MagnitudeCategory(MagnitudeCategory::Micro));
        QVERIFY(!(a == b));  // equal values, different records
        QVERIFY(a == a);
    }
};

QTEST_GUILESS_MAIN(TestModels)
#include "tst_models.moc"
