// Reading a page text: its table rows, their cells, and the values in them.
#include "HTMLParser.h"

#include "Networking/TextSearch.h"

#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string_view>

namespace {

using namespace TextSearch;

// Replaces every `pattern` (which starts with '&') in the first `length` characters of `text`
// by `replacement`, left to right without rescanning, in place (the replacement is shorter).
void replaceAll(QString &text, qsizetype &length, std::u16string_view pattern, char16_t replacement)
{
    const qsizetype first = findChar(QStringView(text.constData(), length), 0, u'&');
    if (first < 0)
        return;
    char16_t *data = reinterpret_cast<char16_t *>(text.data());
    const qsizetype m = qsizetype(pattern.size());
    qsizetype write = first;
    qsizetype read = first;
    while (read < length) {
        if (data[read] == u'&' && length - read >= m
            && std::u16string_view(data + read, size_t(m)) == pattern) {
            data[write++] = replacement;
            read += m;
        } else {
            data[write++] = data[read++];
        }
    }
    length = write;
}

// The text of a cleaned cell as a string of its own. A big one that was cleaned into `buffer`
// takes the buffer over instead of being copied, so that a huge cell is not held once more.
QString takeText(QStringView text, QString &buffer)
{
    constexpr qsizetype kCopyBelow = 4096;
    const QChar *begin = buffer.constData();
    const bool inBuffer = !buffer.isEmpty() && text.data() >= begin && text.data() <= begin + buffer.size();
    if (text.size() < kCopyBelow || !inBuffer)
        return text.toString();
    const qsizetype offset = text.data() - begin;
    const qsizetype length = text.size();
    QString taken = std::exchange(buffer, QString());
    QChar *data = taken.data(); // not shared: no copy
    std::memmove(data, data + offset, size_t(length) * sizeof(QChar));
    taken.truncate(length);
    return taken;
}

// A day of the proleptic Gregorian calendar from year 1 on, as QDate takes them: the catalogue
// gives one per row, so these stay plain arithmetic.
constexpr bool isValidDate(int year, int month, int day)
{
    if (year < 1 || month < 1 || month > 12 || day < 1)
        return false;
    constexpr int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= lengths[month - 1] + (month == 2 && leap ? 1 : 0);
}

// Days from 1970-01-01 to a valid date (the civil-from-days inverse, eras of 400 years).
constexpr qint64 daysSinceEpoch(int year, int month, int day)
{
    year -= month <= 2;
    const int era = year / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return qint64(era) * 146097 + dayOfEra - 719468;
}
static_assert(daysSinceEpoch(1970, 1, 1) == 0 && daysSinceEpoch(2000, 3, 1) == 11017
              && daysSinceEpoch(1, 1, 1) == -719162);

inline int twoDigits(const QChar *p)
{
    const unsigned a = p[0].unicode() - u'0';
    const unsigned b = p[1].unicode() - u'0';
    return (a < 10 && b < 10) ? int(a * 10 + b) : -1;
}

locale_t posixLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

// Whole-text strtod in the POSIX locale: the reference grammar.
std::optional<double> strtodWhole(const char *begin, const char *end)
{
    char *stop = nullptr;
    const double value = strtod_l(begin, &stop, posixLocale());
    if (stop != end || stop == begin)
        return std::nullopt;
    return value;
}

} // namespace

bool HTMLParser::isCutShort(QStringView html)
{
    return isCutShort(html, extractTableRows(html, [](const Cells &) {}));
}

bool HTMLParser::isCutShort(QStringView html, const RowWalk &walk)
{
    // Rows outside any table (or no rows at all) are read as they stand; a row that the text
    // ends inside counts from its start, so a "</table>" after it still closes its table.
    if (walk.lastStart < 0 || !walk.lastInTable)
        return false;
    return findTag(html, walk.lastEnd >= 0 ? walk.lastEnd : walk.lastStart, u"</table>") < 0;
}

// The cells of one row, read off its tags as the row scan meets them: a "<td" opens a cell
// whose content starts after the next ">", the next "</td>" after that closes it. A tag that
// comes while a cell is open (or none is) is not one the cell search would stop at.
struct HTMLParser::CellScan {
    QStringView html;
    Cells cells;
    qsizetype contentStart = -1; // of the open cell; -1 while looking for the next "<td"
    bool done = false;

    void tdOpening(qsizetype lt)
    {
        if (done || contentStart >= 0)
            return;
        const qsizetype gt = findChar(html, lt + 3, u'>');
        if (gt < 0)
            done = true; // no start tag can end: no more cells
        else
            contentStart = gt + 1;
    }
    void tdClosing(qsizetype lt)
    {
        if (done || contentStart < 0 || lt < contentStart)
            return;
        cells.append(html.sliced(contentStart, lt - contentStart));
        contentStart = -1;
        done = cells.size() == kCellCount;
    }
};

template <typename Visit>
HTMLParser::RowWalk HTMLParser::extractTableRows(QStringView html, Visit &&visit)
{
    const char16_t *data = reinterpret_cast<const char16_t *>(html.utf16());
    const qsizetype n = html.size();
    const auto lowerAt = [&](qsizetype i) { return i < n ? char16_t(data[i] | 0x20) : char16_t(0); };
    RowWalk walk;
    bool inTable = false;
    qsizetype cursor = 0;
    for (;;) {
        // The tags between rows also tell whether a table is open where the next row starts.
        qsizetype start = -1;
        for (CharScanner between(html, cursor, u'<');;) {
            start = between.next();
            if (start < 0)
                break;
            const char16_t second = lowerAt(start + 1);
            if (second == u't') {
                if (lowerAt(start + 2) == u'r')
                    break;
                if (matchesAt(html, start, u"<table"))
                    inTable = true;
            } else if (second == u'/' && matchesAt(html, start, u"</table>")) {
                inTable = false;
            }
        }
        if (start < 0)
            break;
        walk.lastStart = start;
        walk.lastEnd = -1;
        walk.lastInTable = inTable;
        // Every tag of the row is looked at once: for the row's end, a header cell, and cells.
        CellScan scan{html, {}};
        qsizetype end = -1;
        bool header = false;
        CharScanner tags(html, start + 3, u'<');
        for (;;) {
            const qsizetype lt = tags.next();
            if (lt < 0)
                break;
            if (lt + 1 < n && data[lt + 1] == u'/') {
                if (matchesAt(html, lt, u"</tr>")) {
                    end = lt + 5;
                    break;
                }
                if (matchesAt(html, lt, u"</td>"))
                    scan.tdClosing(lt);
            } else if (lowerAt(lt + 1) == u't') {
                // Bit 5 set turns only 'H'/'h' into 'h' and 'D'/'d' into 'd'.
                const char16_t third = lowerAt(lt + 2);
                if (third == u'h')
                    header = true;
                else if (third == u'd')
                    scan.tdOpening(lt);
            }
        }
        if (end < 0)
            break; // an unclosed row and everything after it are dropped
        walk.lastEnd = end;
        if (!header) {
            ++walk.rows;
            visit(std::as_const(scan.cells));
        }
        cursor = end;
    }
    return walk;
}

QStringView HTMLParser::cleanText(QStringView raw, QString &buffer)
{
    if (!containsEither(raw, u'<', u'&')) {
        // Printable ASCII at both ends is never white space: nothing to trim.
        const auto printable = [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7f; };
        if (raw.isEmpty() || (printable(raw.front()) && printable(raw.back())))
            return raw;
        return raw.trimmed();
    }

    // Markup: every "<", one or more characters other than ">", and a ">" go; "<>" stays.
    buffer.resize(raw.size());
    QChar *out = buffer.data();
    qsizetype length = 0;
    const qsizetype n = raw.size();
    // The text between tags is copied a run at a time.
    const auto copy = [&](qsizetype from, qsizetype to) {
        std::memcpy(out + length, raw.data() + from, size_t(to - from) * sizeof(QChar));
        length += to - from;
    };
    for (qsizetype i = 0; i < n;) {
        const qsizetype lt = findChar(raw, i, u'<');
        if (lt < 0) {
            copy(i, n);
            break;
        }
        copy(i, lt);
        const qsizetype gt = findChar(raw, lt + 1, u'>');
        if (gt < 0) { // no tag can end after this point
            copy(lt, n);
            break;
        }
        if (gt > lt + 1) {
            i = gt + 1;
        } else {
            copy(lt, lt + 1); // "<>" is no tag: its "<" stays, its ">" starts the next run
            i = lt + 1;
        }
    }

    // Entities, one pass each in this order: "&amp;lt;" becomes "<", "&amp;nbsp;" "&nbsp;".
    if (findChar(QStringView(buffer.constData(), length), 0, u'&') >= 0) {
        replaceAll(buffer, length, u"&nbsp;", u' ');
        replaceAll(buffer, length, u"&amp;", u'&');
        replaceAll(buffer, length, u"&lt;", u'<');
        replaceAll(buffer, length, u"&gt;", u'>');
        replaceAll(buffer, length, u"&#160;", u' ');
    }
    return QStringView(buffer.constData(), length).trimmed();
}

std::optional<QDateTime> HTMLParser::parseDate(QStringView date, QStringView time)
{
    // Exactly "dd/MM/yyyy" and "HH:mm:ss": the one space that joins them is the only space the
    // format allows, so the date part must end where the date cell does.
    if (date.size() != 10 || time.size() != 8)
        return std::nullopt;
    const QChar *d = date.data();
    const QChar *t = time.data();
    if (d[2] != u'/' || d[5] != u'/' || t[2] != u':' || t[5] != u':')
        return std::nullopt;
    const int day = twoDigits(d);
    const int month = twoDigits(d + 3);
    const int century = twoDigits(d + 6);
    const int yearInCentury = twoDigits(d + 8);
    const int hour = twoDigits(t);
    const int minute = twoDigits(t + 3);
    const int second = twoDigits(t + 6);
    if (day < 0 || month < 0 || century < 0 || yearInCentury < 0 || hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    const int year = century * 100 + yearInCentury;
    if (!isValidDate(year, month, day) || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const qint64 days = daysSinceEpoch(year, month, day);
    const qint64 msecs = ((days * 24 + hour) * 60 + minute) * 60'000 + second * 1000LL;
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

std::optional<double> HTMLParser::parseDecimal(QStringView text)
{
    text = text.trimmed();
    if (text.isEmpty())
        return std::nullopt;

    // Up to 15 digits with at most one separator and no exponent, the catalogue's form, are
    // exact: an integer below 2^53 divided by an exact power of ten rounds once, as strtod does.
    {
        const char16_t *p = reinterpret_cast<const char16_t *>(text.utf16());
        const char16_t *const e = p + text.size();
        const bool negative = *p == u'-';
        if (*p == u'-' || *p == u'+')
            ++p;
        quint64 mantissa = 0;
        int digits = 0;
        int fraction = -1; // digits after the separator; -1 before it
        bool plain = true;
        for (; p < e; ++p) {
            const unsigned digit = unsigned(*p) - u'0';
            if (digit < 10) {
                mantissa = mantissa * 10 + digit;
                if (++digits > 15)
                    break;
                if (fraction >= 0)
                    ++fraction;
            } else if ((*p == u',' || *p == u'.') && fraction < 0) {
                fraction = 0;
            } else {
                plain = false;
                break;
            }
        }
        if (plain && digits > 0 && digits <= 15) {
            static constexpr double powers[] = {1e0, 1e1, 1e2, 1e3, 1e4,  1e5,  1e6,  1e7,
                                                1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
            const double value = double(mantissa) / powers[fraction < 0 ? 0 : fraction];
            return negative ? -value : value;
        }
    }

    // The grammar is ASCII: anything else (or a NUL, which would end the C text early) fails.
    QVarLengthArray<char, 64> ascii;
    bool hex = false;
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == 0 || c > 0x7f)
            return std::nullopt;
        ascii.append(c == u',' ? '.' : char(c));
        hex = hex || c == u'x' || c == u'X';
    }
    ascii.append('\0');
    const char *buffer = ascii.constData();
    const char *end = buffer + ascii.size() - 1;

    // Fast path for the usual decimal forms; whatever it does not take whole, strtod decides.
    if (!hex) {
        const char *begin = buffer;
        if (*begin == '+') {
            if (begin[1] == '+' || begin[1] == '-')
                return std::nullopt;
            ++begin;
        }
        double value = 0;
        const auto [stop, ec] = std::from_chars(begin, end, value, std::chars_format::general);
        if (ec == std::errc() && stop == end && stop != begin)
            return value;
    }
    return strtodWhole(buffer, end);
}

Expected<ParsedEarthquakeList> HTMLParser::parseTable(const QString &html)
{
    RowWalk walk;
    return parseTable(html, walk);
}

Expected<ParsedEarthquakeList> HTMLParser::parseTable(const QString &html, RowWalk &walk)
{
    ParsedEarthquakeList result;
    std::array<QString, kCellCount> buffers;
    std::array<QStringView, kCellCount> cell;
    // Types and intensities repeat from row to row: share one copy while they do.
    const QString dash = QStringLiteral(u"\u2014");
    QString lastType;
    QString lastIntensity;
    const auto shared = [](QString &last, QStringView text) {
        if (last != text)
            last = text.toString();
        return last;
    };
    walk = extractTableRows(html, [&](const Cells &raw) {
        if (result.capacity() == 0) {
            // A catalogue row takes about 270 characters: reserving spares the list's regrowth,
            // and stays in proportion to the text whatever it holds.
            result.reserve(html.size() / 250 + 1);
        }
        if (raw.size() < kCellCount)
            return;
        for (qsizetype i = 0; i < kCellCount; ++i)
            cell[i] = cleanText(raw[i], buffers[i]);
        if (cell[0].isEmpty())
            return;
        std::optional<QDateTime> date = parseDate(cell[1], cell[2]);
        if (!date)
            return;
        // A non-finite number would pass for a strong quake or break depth arithmetic.
        const auto number = [&](int i) {
            std::optional<double> value = parseDecimal(cell[i]);
            return (value && std::isfinite(*value)) ? value : std::nullopt;
        };
        const std::optional<double> latitude = number(3);
        if (!latitude)
            return;
        const std::optional<double> longitude = number(4);
        if (!longitude)
            return;
        const std::optional<double> depth = number(5);
        if (!depth)
            return;
        const std::optional<double> magnitude = number(7);
        if (!magnitude)
            return;

        ParsedEarthquake event;
        event.eventID = cell[0].toString();
        event.date = std::move(*date);
        event.latitude = *latitude;
        event.longitude = *longitude;
        event.depth = *depth;
        event.magnitude = *magnitude;
        event.magnitudeType = cell[8].isEmpty() ? dash : shared(lastType, cell[8]);
        if (!cell[6].isEmpty())
            event.maxIntensity = shared(lastIntensity, cell[6]);
        event.location = takeText(cell[9], buffers[9]);
        result.append(std::move(event));
    });
    if (walk.rows == 0)
        return toError(HTMLParserError::noTableFound);
    if (result.isEmpty())
        return toError(HTMLParserError::noRowsParsed);
    return result;
}
