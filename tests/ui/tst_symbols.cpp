#include "SymbolCatalog.h"
#include "SymbolImageProvider.h"

#include <QFile>
#include <QGuiApplication>
#include <QTest>

// The icon set: every mapped name draws a visible, tinted image; unknown names draw the fallback.
class TestSymbols : public QObject {
    Q_OBJECT
private slots:
    void everyMappedNameDrawsTinted_data();
    void everyMappedNameDrawsTinted();
    void unknownNameDrawsFallback();
    void providerReadsColourAndSize();
};

namespace {

struct Coverage {
    int painted = 0;     // pixels with any coverage
    int offColour = 0;   // painted pixels whose colour is not the tint
};

Coverage coverage(const QImage &image, const QColor &tint)
{
    Coverage c;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QColor pixel = argb.pixelColor(x, y);
            if (pixel.alpha() < 16)
                continue;
            ++c.painted;
            // Un-premultiplied channels of a SourceIn fill equal the tint, up to rounding.
            if (qAbs(pixel.red() - tint.red()) > 8 || qAbs(pixel.green() - tint.green()) > 8
                || qAbs(pixel.blue() - tint.blue()) > 8)
                ++c.offColour;
        }
    }
    return c;
}

}  // namespace

void TestSymbols::everyMappedNameDrawsTinted_data()
{
    QTest::addColumn<QString>("name");
    const QStringList names = SymbolCatalog::names();
    QVERIFY(names.size() >= 30);
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << name;
}

void TestSymbols::everyMappedNameDrawsTinted()
{
    QFETCH(QString, name);
    const QString file = SymbolCatalog::fileFor(name);
    QVERIFY2(QFile::exists(file), qPrintable(file));

    const QColor tint(220, 40, 30);
    const QImage image = SymbolImageProvider::render(name, tint, QSize(32, 32));
    QCOMPARE(image.size(), QSize(32, 32));
    const Coverage c = coverage(image, tint);
    QVERIFY2(c.painted > 20, qPrintable(QStringLiteral("%1 painted pixels").arg(c.painted)));
    QCOMPARE(c.offColour, 0);
}

void TestSymbols::unknownNameDrawsFallback()
{
    QVERIFY(SymbolCatalog::fileFor(QStringLiteral("no.such.symbol")).isEmpty());
    QVERIFY(QFile::exists(SymbolCatalog::fallbackFile()));
    const QImage image = SymbolImageProvider::render(QStringLiteral("no.such.symbol"), Qt::blue, QSize(24, 24));
    const Coverage c = coverage(image, Qt::blue);
    QVERIFY(c.painted > 20);
    QCOMPARE(c.offColour, 0);
    QCOMPARE(image, SymbolImageProvider::render(QStringLiteral(""), Qt::blue, QSize(24, 24)));
}

void TestSymbols::providerReadsColourAndSize()
{
    SymbolImageProvider provider;
    QSize size;
    // The colour travels as hex (with alpha) in the query; the size is the requested pixels.
    QImage image = provider.requestImage(QStringLiteral("star.fill?color=ff00a000"), &size, QSize(40, 20));
    QCOMPARE(size, QSize(40, 20));
    QCOMPARE(coverage(image, QColor(0, 160, 0)).offColour, 0);
    QVERIFY(coverage(image, QColor(0, 160, 0)).painted > 20);

    // No size asked: a default square; a bad colour falls back to black rather than failing.
    image = provider.requestImage(QStringLiteral("star.fill?color=zzz"), &size, QSize());
    QVERIFY(size.width() > 0 && size.width() == size.height());
    QCOMPARE(coverage(image, Qt::black).offColour, 0);
}

QTEST_MAIN(TestSymbols)
#include "tst_symbols.moc"
