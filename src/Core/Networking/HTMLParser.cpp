#include "HTMLParser.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>

#include <array>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <memory>
#include <string_view>

namespace {

// Does `text` hold `pattern` (lower-case ASCII) at `pos`, ignoring ASCII case? The patterns
// are made of letters that no other character folds to, so this is a full case-insensitive
// comparison.
template <size_t N>
inline bool matchesAt(QStringView text, qsizetype pos, const char16_t (&pattern)[N])
{
    constexpr qsizetype length = qsizetype(N) - 1;
    if (text.size() - pos < length)
        return false;
    const char16_t *p = reinterpret_cast<const char16_t *>(text.utf16()) + pos;
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t want = pattern[i];
        // Setting bit 5 maps exactly 'A'-'Z' onto 'a'-'z' among the values that can equal a letter.
        const char16_t have = (want >= u'a' && want <= u'z') ? char16_t(p[i] | 0x20) : p[i];
        if (have != want)
            return false;
    }
    return true;
}

// Index of the first `c` at or after `from`, or -1. Tags are a few characters apart, so an
// inline vector loop beats a library call per tag.
inline qsizetype findChar(QStringView text, qsizetype from, char16_t c)
{
    const char16_t *data = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype n = text.size();
    qsizetype i = from;
#ifdef __SSE2__
    const __m128i needle = _mm_set1_epi16(short(c));
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i + 8));
        const unsigned mask = unsigned(_mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(a, needle),
                                                                         _mm_cmpeq_epi16(b, needle))));
        if (mask)
            return i + __builtin_ctz(mask);
    }
#endif
    for (; i < n; ++i) {
        if (data[i] == c)
            return i;
    }
    return -1;
}

// First case-insensitive occurrence of `pattern` (which starts with '<') at or after `from`.
template <size_t N>
inline qsizetype findTag(QStringView text, qsizetype from, const char16_t (&pattern)[N])
{
    for (;;) {
        const qsizetype lt = findChar(text, from, u'<');
        if (lt < 0 || matchesAt(text, lt, pattern))
            return lt;
        from = lt + 1;
    }
}

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

HTMLParser::HTMLParser(QNetworkAccessManager *session) : m_session(session) {}

void HTMLParser::fetchAndParse(const QUrl &url, QObject *context, FetchCompletion completion) const
{
    fetchHTML(url, context, [completion = std::move(completion)](Expected<QString> text) {
        if (!text)
            completion(FetchResult(text.error()));
        else
            completion(parseTable(*text));
    });
}

void HTMLParser::fetchHTML(const QUrl &url, QObject *context, TextCompletion completion) const
{
    Q_ASSERT(context);
    if (!m_session) {
        QTimer::singleShot(0, context, [completion = std::move(completion)] {
            completion(Error{Error::Domain::Transport, int(QNetworkReply::UnknownNetworkError),
                             QStringLiteral("No network session")});
        });
        return;
    }

    QNetworkRequest request(url);
    request.setTransferTimeout(m_transferTimeoutMs);
    QNetworkReply *reply = m_session->get(request);

    struct Download {
        QByteArray body;
        bool tooLarge = false;
    };
    auto download = std::make_shared<Download>();
    const qint64 limit = m_maximumBodySize;
    const auto abandonAsTooLarge = [reply, download] {
        download->tooLarge = true;
        reply->abort();
    };
    const auto successStatus = [reply] {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        return status.isValid() && status.toInt() >= 200 && status.toInt() <= 299;
    };

    // A declared length over the limit is refused before any of the body arrives.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [=] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (successStatus() && length.isValid() && length.toLongLong() > limit)
            abandonAsTooLarge();
    });
    // The body is taken as it arrives, so an endless one is cut off at the limit.
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [=] {
        if (download->tooLarge)
            return;
        download->body += reply->readAll();
        if (download->body.size() > limit)
            abandonAsTooLarge();
    });

    auto finishedConnection = std::make_shared<QMetaObject::Connection>();
    *finishedConnection = QObject::connect(
        reply, &QNetworkReply::finished, context,
        [=, completion = std::move(completion)] {
            reply->deleteLater();
            const auto fail = [&](HTMLParserError error) { completion(toError(error)); };
            if (download->tooLarge)
                return fail(HTMLParserError::invalidResponse);

            const QNetworkReply::NetworkError error = reply->error();
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (error == QNetworkReply::OperationCanceledError) {
                // Nothing of ours cancelled it (our aborts never get here), so the transfer
                // timeout did; Qt reports that as a plain "Operation canceled".
                return completion(Error{Error::Domain::Transport, int(QNetworkReply::TimeoutError),
                                        QStringLiteral("Operation timed out")});
            }
            if (error != QNetworkReply::NoError && !(status.isValid() && !successStatus())) {
                // Not an HTTP status problem: the transfer itself failed.
                return completion(Error{Error::Domain::Transport, int(error), reply->errorString()});
            }
            if (!successStatus())
                return fail(HTMLParserError::invalidResponse);

            download->body += reply->readAll();
            if (download->body.size() > limit)
                return fail(HTMLParserError::invalidResponse);

            // Stateless, so a sequence cut off at the end counts as invalid too.
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            QString text = utf8.decode(download->body);
            if (utf8.hasError())
                text = QString::fromLatin1(download->body); // every byte is a Latin-1 character
            download->body.clear();
            completion(std::move(text));
        });

    // Destroying the context abandons the transfer: the completion is never called.
    QObject::connect(context, &QObject::destroyed, reply, [reply, finishedConnection] {
        QObject::disconnect(*finishedConnection);
        reply->abort();
        reply->deleteLater();
    });
}

template <typename Visit>
qsizetype HTMLParser::extractTableRows(QStringView html, Visit &&visit)
{
    qsizetype count = 0;
    qsizetype cursor = 0;
    TagPositions tags;
    for (;;) {
        const qsizetype start = findTag(html, cursor, u"<tr");
        if (start < 0)
            break;
        // One pass over the row's tags finds its end and whether it holds a header cell.
        tags.clear();
        tags.append(0);
        qsizetype end = -1;
        bool header = false;
        qsizetype from = start + 3;
        for (;;) {
            const qsizetype lt = findChar(html, from, u'<');
            if (lt < 0)
                break;
            tags.append(lt - start);
            if (matchesAt(html, lt, u"</tr>")) {
                end = lt + 5;
                break;
            }
            if (!header && matchesAt(html, lt, u"<th"))
                header = true;
            from = lt + 1;
        }
        if (end < 0)
            break; // an unclosed row and everything after it are dropped
        if (!header) {
            ++count;
            visit(html.sliced(start, end - start), std::as_const(tags));
        }
        cursor = end;
    }
    return count;
}

HTMLParser::Cells HTMLParser::extractCells(QStringView row, const TagPositions &tags)
{
    Cells cells;
    qsizetype cursor = 0;
    qsizetype t = 0;
    const qsizetype tagCount = tags.size();
    // The next tag at or after `from` that reads `pattern`, or -1.
    const auto next = [&](qsizetype from, const auto &pattern) -> qsizetype {
        for (; t < tagCount; ++t) {
            if (tags[t] >= from && matchesAt(row, tags[t], pattern))
                return tags[t];
        }
        return -1;
    };
    while (cells.size() < kCellCount) {
        const qsizetype open = next(cursor, u"<td");
        if (open < 0)
            break;
        const qsizetype contentStart = findChar(row, open + 3, u'>');
        if (contentStart < 0)
            break;
        const qsizetype close = next(contentStart + 1, u"</td>");
        if (close < 0)
            break;
        cells.append(row.sliced(contentStart + 1, close - contentStart - 1));
        cursor = close + 5;
    }
    return cells;
}

QStringView HTMLParser::cleanText(QStringView raw, QString &buffer)
{
    bool plain = true;
    for (const QChar c : raw) {
        if (c == u'<' || c == u'&') {
            plain = false;
            break;
        }
    }
    if (plain) {
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
    for (qsizetype i = 0; i < n;) {
        if (raw[i] == u'<') {
            const qsizetype gt = findChar(raw, i + 1, u'>');
            if (gt < 0) { // no tag can end after this point
                for (; i < n; ++i)
                    out[length++] = raw[i];
                break;
            }
            if (gt > i + 1) {
                i = gt + 1;
                continue;
            }
        }
        out[length++] = raw[i++];
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
    if (!QDate::isValid(year, month, day) || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    constexpr qint64 unixEpochJulianDay = 2440588;
    const qint64 days = QDate(year, month, day).toJulianDay() - unixEpochJulianDay;
    const qint64 msecs = ((days * 24 + hour) * 60 + minute) * 60'000 + second * 1000LL;
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

std::optional<double> HTMLParser::parseDecimal(QStringView text)
{
    text = text.trimmed();
    if (text.isEmpty())
        return std::nullopt;

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
    const qsizetype rowCount = extractTableRows(html, [&](QStringView row, const TagPositions &tags) {
        if (result.capacity() == 0) {
            // A catalogue row takes about 300 characters: reserving spares the list's regrowth.
            result.reserve(qMin<qsizetype>(html.size() / 300 + 1, 50'000));
        }
        const Cells raw = extractCells(row, tags);
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
        event.location = cell[9].toString();
        result.append(std::move(event));
    });
    if (rowCount == 0)
        return toError(HTMLParserError::noTableFound);
    if (result.isEmpty())
        return toError(HTMLParserError::noRowsParsed);
    return result;
}
