#include "Networking/HTMLParser.h"
#include "Networking/HTMLParserError.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <cmath>

namespace {

// Cells of a row that parses; a case changes one of them.
QStringList goodCells()
{
    return {QStringLiteral("es2025abcde"), QStringLiteral("05/03/2025"), QStringLiteral("14:07:33"),
            QStringLiteral("28,4521"),     QStringLiteral("-15,9012"),   QStringLiteral("10"),
            QStringLiteral("II"),          QStringLiteral("1,8"),        QStringLiteral("mbLg"),
            QStringLiteral("NW LANZAROTE")};
}

QString row(const QStringList &cells)
{
    QString html = QStringLiteral("<tr>");
    for (const QString &cell : cells)
        html += QStringLiteral("<td>") + cell + QStringLiteral("</td>");
    return html + QStringLiteral("</tr>\n");
}

QString withCell(int index, const QString &text)
{
    QStringList cells = goodCells();
    cells[index] = text;
    return row(cells);
}

QString page(const QString &rows)
{
    return QStringLiteral("<html><body><table>\n<tr><th>Evento</th><th>Fecha</th></tr>\n") + rows
         + QStringLiteral("</table></body></html>");
}

QVariant field(const ParsedEarthquake &e, const QString &name)
{
    if (name == u"eventID") return e.eventID;
    if (name == u"date") return e.date;
    if (name == u"latitude") return e.latitude;
    if (name == u"longitude") return e.longitude;
    if (name == u"depth") return e.depth;
    if (name == u"magnitude") return e.magnitude;
    if (name == u"magnitudeType") return e.magnitudeType;
    if (name == u"maxIntensity") return e.maxIntensity ? QVariant(*e.maxIntensity) : QVariant();
    if (name == u"location") return e.location;
    return {};
}

QString fixture(const char *name)
{
    QFile file(QStringLiteral(SISMO_FIXTURES_DIR "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return QString::fromUtf8(file.readAll());
}


// The page read step by step as the catalogue's rules say, with plain searches and a regular
// expression: slow, obviously right, and what the tuned parser must agree with.
namespace reference {

QStringList rows(const QString &html)
{
    QStringList out;
    qsizetype cursor = 0;
    for (;;) {
        const qsizetype start = html.indexOf(QLatin1String("<tr"), cursor, Qt::CaseInsensitive);
        if (start < 0)
            break;
        const qsizetype close = html.indexOf(QLatin1String("</tr>"), start + 3, Qt::CaseInsensitive);
        if (close < 0)
            break;
        const QString row = html.mid(start, close + 5 - start);
        if (!row.contains(QLatin1String("<th"), Qt::CaseInsensitive))
            out << row;
        cursor = close + 5;
    }
    return out;
}

QStringList cells(const QString &row)
{
    QStringList out;
    qsizetype cursor = 0;
    for (;;) {
        const qsizetype open = row.indexOf(QLatin1String("<td"), cursor, Qt::CaseInsensitive);
        if (open < 0)
            break;
        const qsizetype gt = row.indexOf(u'>', open + 3);
        if (gt < 0)
            break;
        const qsizetype close = row.indexOf(QLatin1String("</td>"), gt + 1, Qt::CaseInsensitive);
        if (close < 0)
            break;
        out << row.mid(gt + 1, close - gt - 1);
        cursor = close + 5;
    }
    return out;
}

QString clean(QString text)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]+>"));
    text.remove(tag);
    text.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&#160;"), QLatin1String(" "));
    return text.trimmed();
}

// Identifier and place of every row that has ten cells and an identifier, in order; the date
// and number rules are the tuned parser's own and tested above.
QStringList candidates(const QString &html, bool *anyRow)
{
    const QStringList all = rows(html);
    *anyRow = !all.isEmpty();
    QStringList out;
    for (const QString &row : all) {
        const QStringList raw = cells(row);
        if (raw.size() < 10 || clean(raw[0]).isEmpty())
            continue;
        out << clean(raw[0]) + u'|' + clean(raw[9]);
    }
    return out;
}

} // namespace reference

} // namespace

class TestParser : public QObject {
    Q_OBJECT
private slots:
    // One row in a page: either it yields an event whose `field` is `expected` (an invalid
    // `expected` means absent), or it is skipped and the page has no rows to give.
    void rowCases_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<bool>("skipped");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("expected");
        const auto parsed = [](const char *name, const QString &html, const char *fieldName, const QVariant &value) {
            QTest::newRow(name) << html << false << QString::fromLatin1(fieldName) << value;
        };
        const auto skipped = [](const char *name, const QString &html) {
            QTest::newRow(name) << html << true << QString() << QVariant();
        };
        const QDateTime when(QDate(2025, 3, 5), QTime(14, 7, 33), Qt::UTC);

        // Decimals: comma or point, signs, white space, the POSIX grammar and nothing else.
        parsed("decimal comma", withCell(3, "28,4521"), "latitude", 28.4521);
        parsed("decimal point", withCell(3, "28.4521"), "latitude", 28.4521);
        parsed("negative with spaces", withCell(4, "  -15,9 \n"), "longitude", -15.9);
        parsed("leading plus", withCell(3, "+3"), "latitude", 3.0);
        parsed("no-break spaces around", withCell(3, QStringLiteral(u"\u00a028,5\u2009")), "latitude", 28.5);
        parsed("entity space around", withCell(3, "&nbsp;28,5&#160;"), "latitude", 28.5);
        parsed("exponent", withCell(5, "1,5e1"), "depth", 15.0);
        parsed("bare fraction", withCell(7, ",5"), "magnitude", 0.5);
        parsed("trailing point", withCell(7, "5."), "magnitude", 5.0);
        parsed("hex float", withCell(5, "0x1p3"), "depth", 8.0);
        parsed("negative zero depth", withCell(5, "-0"), "depth", -0.0);
        parsed("long digit run", withCell(3, QStringLiteral("28,") + QString(100000, u'0') + QStringLiteral("1")), "latitude", 28.0);
        skipped("empty latitude", withCell(3, ""));
        skipped("trailing letter", withCell(3, "28,45a"));
        skipped("thousands separator", withCell(5, "1.234,5"));
        skipped("inner space", withCell(3, "- 15"));
        skipped("two signs", withCell(3, "+-3"));
        skipped("lone point", withCell(3, "."));
        skipped("arabic-indic digits", withCell(7, QStringLiteral(u"\u0661\u066b\u0668")));
        skipped("NUL inside", withCell(7, QStringLiteral("1") + QChar(0) + QStringLiteral("5")));
        skipped("nan magnitude", withCell(7, "nan"));
        skipped("NaN with payload", withCell(7, "NaN(123)"));
        skipped("infinite depth", withCell(5, "inf"));
        skipped("negative infinity", withCell(4, "-Infinity"));
        skipped("overflow to infinity", withCell(7, "1e400"));
        skipped("hex infinity-sized", withCell(7, "0x1p99999"));

        // Text cells.
        parsed("empty intensity is absent", withCell(6, ""), "maxIntensity", QVariant());
        parsed("blank intensity is absent", withCell(6, " &nbsp; "), "maxIntensity", QVariant());
        parsed("intensity", withCell(6, "IV"), "maxIntensity", QStringLiteral("IV"));
        parsed("empty type is a dash", withCell(8, ""), "magnitudeType", QStringLiteral(u"\u2014"));
        parsed("type", withCell(8, "Mw"), "magnitudeType", QStringLiteral("Mw"));
        parsed("empty location", withCell(9, ""), "location", QString());
        parsed("identifier trimmed", withCell(0, "\n  es2025x \t"), "eventID", QStringLiteral("es2025x"));
        skipped("empty identifier", withCell(0, "  "));
        skipped("identifier of markup only", withCell(0, "<b></b>&nbsp;"));

        // Dates: exactly dd/MM/yyyy HH:mm:ss, UTC, existing dates only.
        parsed("date and time in UTC", withCell(1, "05/03/2025"), "date", when);
        parsed("leap day", withCell(1, "29/02/2024"), "date", QDateTime(QDate(2024, 2, 29), QTime(14, 7, 33), Qt::UTC));
        parsed("last second of the day", withCell(2, "23:59:59"), "date", QDateTime(QDate(2025, 3, 5), QTime(23, 59, 59), Qt::UTC));
        parsed("date with markup", withCell(1, "<span class=\"f\">05/03/2025</span>"), "date", when);
        skipped("31 February", withCell(1, "31/02/2025"));
        skipped("29 February of a common year", withCell(1, "29/02/2023"));
        skipped("day zero", withCell(1, "00/03/2025"));
        skipped("month 13", withCell(1, "05/13/2025"));
        skipped("year zero", withCell(1, "05/03/0000"));
        skipped("fractional seconds", withCell(2, "14:07:33.5"));
        skipped("hour 24", withCell(2, "24:00:00"));
        skipped("leap second", withCell(2, "23:59:60"));
        skipped("minute 60", withCell(2, "14:60:00"));
        skipped("one-digit day", withCell(1, "5/03/2025"));
        skipped("ISO date", withCell(1, "2025-03-05"));
        skipped("time without seconds", withCell(2, "14:07"));
        skipped("signed field", withCell(1, "+5/03/2025"));
        skipped("empty time", withCell(2, ""));

        // Cleaning: tags first, then the five entities in order, then trimming.
        parsed("link and entity around the place", withCell(9, "<a href=\"/detalle?id=1\" target=\"_blank\">NW LANZAROTE</a>&nbsp;"), "location", QStringLiteral("NW LANZAROTE"));
        parsed("tag across lines", withCell(9, "A<span\nclass=\"x\">B</span>C"), "location", QStringLiteral("ABC"));
        parsed("empty brackets stay", withCell(9, "A<>B"), "location", QStringLiteral("A<>B"));
        parsed("lone less-than stays", withCell(9, "A < B"), "location", QStringLiteral("A < B"));
        parsed("tag may hold a less-than", withCell(9, "A<<b>B"), "location", QStringLiteral("AB"));
        parsed("escaped tag survives as a tag", withCell(9, "&lt;b&gt;X&lt;/b&gt;"), "location", QStringLiteral("<b>X</b>"));
        parsed("ampersand", withCell(9, "S&amp;P"), "location", QStringLiteral("S&P"));
        parsed("double-escaped less-than decodes fully", withCell(9, "&amp;lt;"), "location", QStringLiteral("<"));
        parsed("double-escaped nbsp stays an entity", withCell(9, "&amp;nbsp;"), "location", QStringLiteral("&nbsp;"));
        parsed("double-escaped #160 becomes a space", withCell(9, "A&amp;#160;B"), "location", QStringLiteral("A B"));
        parsed("amp is decoded once", withCell(9, "&amp;amp;"), "location", QStringLiteral("&amp;"));
        parsed("capital entities stay", withCell(9, "A&NBSP;B&Amp;"), "location", QStringLiteral("A&NBSP;B&Amp;"));
        parsed("other entities stay", withCell(9, "&quot;&eacute;&#xa0;"), "location", QStringLiteral("&quot;&eacute;&#xa0;"));
        parsed("inner white space kept", withCell(9, " LA&nbsp;&nbsp;PALMA "), "location", QStringLiteral("LA  PALMA"));
        parsed("huge place name", withCell(9, QString(1 << 20, u'K')), "location", QString(1 << 20, u'K'));
        parsed("huge place name in a link", withCell(9, "<a href=\"x\">" + QString(1 << 20, u'K') + "</a>&nbsp;"), "location", QString(1 << 20, u'K'));
        parsed("long place name after spaces", withCell(9, "&nbsp; <b>" + QString(5000, u'K') + "&amp;</b> "), "location", QString(5000, u'K') + u'&');

        // Row and cell structure.
        parsed("upper-case tags with attributes",
               QStringLiteral("<TR CLASS=\"x\">") + row(goodCells()).mid(4).replace(QStringLiteral("td>"), QStringLiteral("TD>")).replace(QStringLiteral("<TD>"), QStringLiteral("<TD align=\"right\">")).replace(QStringLiteral("</tr>"), QStringLiteral("</TR>")),
               "location", QStringLiteral("NW LANZAROTE"));
        parsed("eleven cells: the tenth is the place", row(goodCells() << QStringLiteral("extra")), "location", QStringLiteral("NW LANZAROTE"));
        skipped("nine cells", row(goodCells().mid(0, 9)));
        skipped("unclosed tenth cell", QString(row(goodCells().mid(0, 9))).replace(QStringLiteral("</tr>"), QStringLiteral("<td>NW LANZAROTE</tr>")));
        parsed("a track tag opens a row", QString(row(goodCells())).replace(QStringLiteral("<tr>"), QStringLiteral("<track src=\"a.vtt\">")), "eventID", QStringLiteral("es2025abcde"));
        parsed("cell with a nested tag name", withCell(9, "<table><tr>X"), "location", QStringLiteral("X"));
    }
    void rowCases()
    {
        QFETCH(QString, html);
        QFETCH(bool, skipped);
        QFETCH(QString, field);
        QFETCH(QVariant, expected);
        const auto result = HTMLParser::parseTable(page(html));
        if (skipped) {
            QVERIFY(!result);
            QCOMPARE(result.error(), toError(HTMLParserError::noRowsParsed));
            return;
        }
        QVERIFY2(result, qPrintable(result ? QString() : result.error().description));
        QCOMPARE(result->size(), 1);
        const QVariant actual = ::field(result->first(), field);
        QCOMPARE(actual, expected);
        if (field == u"depth")
            QCOMPARE(std::signbit(actual.toDouble()), std::signbit(expected.toDouble()));
    }

    // Whole pages: how many events, or which error.
    void pages_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<int>("events");
        QTest::addColumn<int>("error");
        const QString good = row(goodCells());
        const auto rowWithID = [](const QString &id) { QStringList c = goodCells(); c[0] = id; return row(c); };
        const int none = 0;
        QTest::newRow("empty text") << QString() << 0 << int(HTMLParserError::noTableFound);
        QTest::newRow("no rows") << QStringLiteral("<html><p>Mantenimiento</p></html>") << 0 << int(HTMLParserError::noTableFound);
        QTest::newRow("only a header row") << page(QString()) << 0 << int(HTMLParserError::noTableFound);
        QTest::newRow("upper-case header cells") << QStringLiteral("<TR><TH>Evento</TH><TD>x</TD></TR>") << 0 << int(HTMLParserError::noTableFound);
        QTest::newRow("only an unclosed row") << QStringLiteral("<table><tr><td>a</td>") << 0 << int(HTMLParserError::noTableFound);
        QTest::newRow("rows without ten cells") << page(QStringLiteral("<tr><td>Fuente</td></tr><tr></tr>")) << 0 << int(HTMLParserError::noRowsParsed);
        QTest::newRow("one good row") << page(good) << 1 << none;
        QTest::newRow("bad rows among good ones") << page(good + withCell(1, "31/02/2025") + good + withCell(7, "nan") + good) << 3 << none;
        QTest::newRow("twins are both kept") << page(good + good) << 2 << none;
        QTest::newRow("unclosed last row is dropped") << page(good + good + QStringLiteral("<tr><td>es1</td>")) << 2 << none;
        QTest::newRow("row left open takes in the next") << page(QString(good).replace(QStringLiteral("</tr>"), QString()) + good) << 1 << none;
        QTest::newRow("rows of every table") << (page(good) + QStringLiteral("<table>") + good + QStringLiteral("</table>")) << 2 << none;
        QTest::newRow("header cell anywhere in the row") << page(QString(good).replace(QStringLiteral("</tr>"), QStringLiteral("<th>x</th></tr>")) + good) << 1 << none;
        QTest::newRow("thead inside a row sets it aside") << page(QStringLiteral("<tr><thead>") + good.mid(4)) << 0 << int(HTMLParserError::noTableFound);
        QTest::newRow("ids in page order") << page(rowWithID("a") + rowWithID("b") + rowWithID("c")) << 3 << none;
    }
    void pages()
    {
        QFETCH(QString, html);
        QFETCH(int, events);
        QFETCH(int, error);
        const auto result = HTMLParser::parseTable(html);
        if (error) {
            QVERIFY(!result);
            QCOMPARE(result.error(), toError(HTMLParserError(error)));
            return;
        }
        QVERIFY2(result, qPrintable(result ? QString() : result.error().description));
        QCOMPARE(result->size(), events);
        if (QTest::currentDataTag() == QByteArray("ids in page order")) {
            QCOMPARE(result->at(0).eventID, QStringLiteral("a"));
            QCOMPARE(result->at(2).eventID, QStringLiteral("c"));
        }
    }

    void errorTexts()
    {
        const Error e = toError(HTMLParserError::invalidResponse);
        QCOMPARE(e.domain, Error::Domain::Parser);
        QCOMPARE(e.code, int(HTMLParserError::invalidResponse));
        QCOMPARE(e.description, QStringLiteral("Respuesta HTTP inválida"));
        QCOMPARE(description(HTMLParserError::noTableFound), QStringLiteral("No se encontró la tabla de terremotos en la página"));
        QCOMPARE(description(HTMLParserError::noRowsParsed), QStringLiteral("No se pudieron extraer filas de la tabla"));
    }

    // The hand-written page in the catalogue's format: header row, 25 events, a legend table.
    void cataloguePage()
    {
        const auto result = HTMLParser::parseTable(fixture("catalogue-page.html"));
        QVERIFY(result);
        QCOMPARE(result->size(), 25);

        const ParsedEarthquake &first = result->first();
        QCOMPARE(first.eventID, QStringLiteral("es2025fhwqa"));
        QCOMPARE(first.date, QDateTime(QDate(2025, 3, 14), QTime(22, 58, 41), Qt::UTC));
        QCOMPARE(first.latitude, 28.0462);
        QCOMPARE(first.longitude, -16.5723);
        QCOMPARE(first.depth, 12.0);
        QCOMPARE(first.magnitude, 1.6);
        QCOMPARE(first.magnitudeType, QStringLiteral("mbLg"));
        QCOMPARE(first.maxIntensity, std::nullopt);
        QCOMPARE(first.location, QStringLiteral("SW ADEJE.ITF"));

        QCOMPARE(result->at(2).location, QStringLiteral("GÜÍMAR.ITF"));
        QCOMPARE(result->at(2).maxIntensity, std::optional(QStringLiteral("II")));
        QCOMPARE(result->at(9).magnitudeType, QStringLiteral(u"\u2014"));
        QCOMPARE(result->at(14).maxIntensity, std::optional(QStringLiteral("II-III")));

        const ParsedEarthquake &last = result->last();
        QCOMPARE(last.eventID, QStringLiteral("es2025fgpnh"));
        QCOMPARE(last.date, QDateTime(QDate(2025, 3, 5), QTime(1, 52, 16), Qt::UTC));
        QCOMPARE(last.location, QStringLiteral("SAN SEBASTIÁN DE LA GOMERA.IGO"));
        for (const ParsedEarthquake &e : *result)
            QVERIFY(e.date.timeSpec() == Qt::UTC);
    }

    // Pages of markup fragments around rows that would parse: the rows and cells found, and
    // what is left of each cell, are those of the plain step-by-step reading.
    void agreesWithPlainReading()
    {
        QRandomGenerator random(20251210);
        const QStringList markup = {"<tr", "<TR class=a>", "</tr>", "</TR>", "<td", "<td>", "<TD x=\"<\">", ">", "</td>",
                                    "</TD>", "<th>", "<thead>", "<", "<>", "<b>", "&amp;", "&nbsp;", "&lt;", "&#160;",
                                    "<table>", "</table>", "x", " ", "\n", "<a href=\"q\">", "</a>"};
        const QStringList cells = goodCells();
        for (int round = 0; round < 4000; ++round) {
            QString html;
            const int length = random.bounded(1, 120);
            for (int i = 0; i < length; ++i) {
                const int pick = random.bounded(10);
                if (pick == 0)
                    html += row(goodCells());
                else if (pick < 3)
                    html += QStringLiteral("<td>") + cells[random.bounded(cells.size())] + QStringLiteral("</td>");
                else
                    html += markup[random.bounded(markup.size())];
            }
            bool anyRow = false;
            const QStringList expected = reference::candidates(html, &anyRow);
            const auto result = HTMLParser::parseTable(html);
            if (!result) {
                QCOMPARE(result.error(), toError(anyRow ? HTMLParserError::noRowsParsed : HTMLParserError::noTableFound));
                // Every candidate failed the date or number rules.
                continue;
            }
            QStringList actual;
            for (const ParsedEarthquake &e : *result)
                actual << e.eventID + u'|' + e.location;
            // The parser may skip a candidate on its date or numbers, never add or reorder one.
            qsizetype at = 0;
            for (const QString &event : actual) {
                while (at < expected.size() && expected[at] != event)
                    ++at;
                QVERIFY2(at < expected.size(), qPrintable(QStringLiteral("%1 in %2").arg(event, html)));
                ++at;
            }
        }
    }

    // Whether a page was cut short: the last row read stands in a table that no "</table>"
    // closes after it.
    void cutShort_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<bool>("cutShort");
        const QString good = row(goodCells());
        QTest::newRow("whole page") << page(good + good) << false;
        QTest::newRow("cut after a row") << page(good + good).left(page(good + good).indexOf(QLatin1String("</table>"))) << true;
        QTest::newRow("cut inside a row") << page(good + good).left(page(good).size() - 20) << true;
        QTest::newRow("cut after the header row") << QStringLiteral("<table><tr><th>Evento</th></tr>") << true;
        QTest::newRow("unclosed last row in a closed table") << page(good + QStringLiteral("<tr><td>es1</td>")) << false;
        QTest::newRow("upper-case closing tag") << QString(page(good)).replace(QLatin1String("</table>"), QLatin1String("</TABLE>")) << false;
        QTest::newRow("closed, then a table without rows left open") << (page(good) + QStringLiteral("<table><p>")) << false;
        QTest::newRow("a second table cut short") << (page(good) + QStringLiteral("<table><tr><td>Fuente")) << true;
        QTest::newRow("rows outside any table") << (good + good) << false;
        QTest::newRow("no rows at all") << QStringLiteral("<html><table><p>Mantenimiento") << false;
        // "<tr" after a closed table that opens no row of a table: complete pages.
        const QString table = QStringLiteral("<table>") + good + QStringLiteral("</table>");
        QTest::newRow("a track tag after the table") << (table + QStringLiteral("<video><track src=\"a.vtt\"></video>")) << false;
        QTest::newRow("a row in a script after the table") << (table + QStringLiteral("<script>s=\"<tr>\"</script>")) << false;
        QTest::newRow("a row in a comment after the table") << (table + QStringLiteral("<!-- <tr> -->")) << false;
        QTest::newRow("a whole row after the table") << (table + QStringLiteral("<tr><td>x</td></tr>")) << false;
        QTest::newRow("a row in a script, table cut short") << (QStringLiteral("<table>") + good + QStringLiteral("<script>s=\"<tr>\"</script>")) << true;
        QTest::newRow("empty") << QString() << false;
    }
    void cutShort()
    {
        QFETCH(QString, html);
        QFETCH(bool, cutShort);
        QCOMPARE(HTMLParser::isCutShort(html), cutShort);
    }

    // Garbage must never crash or yield an event that breaks the record's promises.
    void garbage()
    {
        QRandomGenerator random(20250305);
        const QStringList tokens = {"<tr", "<TR class=a>", "</tr>", "</TR>", "<td", "<td>", ">", "</td>", "</TD>",
                                    "<th>", "<", "&amp;", "&nbsp;", "&lt;", "05/03/2025", "14:07:33", "1,5",
                                    "nan", "-", "x", " ", "\n", QStringLiteral(u"\u00a0"), QString(QChar(0xd800))};
        for (int round = 0; round < 3000; ++round) {
            QString html;
            const int length = random.bounded(1, 200);
            for (int i = 0; i < length; ++i)
                html += random.bounded(4) == 0 ? QString(QChar(char16_t(random.bounded(0x10000))))
                                               : tokens[random.bounded(tokens.size())];
            const auto result = HTMLParser::parseTable(html);
            if (!result)
                continue;
            for (const ParsedEarthquake &e : *result) {
                QVERIFY(!e.eventID.isEmpty());
                QVERIFY(e.date.isValid());
                QVERIFY(std::isfinite(e.latitude) && std::isfinite(e.longitude) && std::isfinite(e.depth) && std::isfinite(e.magnitude));
            }
        }
        // Binary bytes read as Latin-1, as a download of a non-text body would be.
        QByteArray bytes(64 * 1024, Qt::Uninitialized);
        for (char &b : bytes)
            b = char(random.bounded(256));
        const auto result = HTMLParser::parseTable(QString::fromLatin1(bytes));
        QVERIFY(!result);
    }
};

QTEST_GUILESS_MAIN(TestParser)
#include "tst_parser.moc"
