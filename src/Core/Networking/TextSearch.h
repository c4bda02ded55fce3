#pragma once

#include <QStringView>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// The few text searches the catalogue parser is made of, tuned for markup: tags a few
// characters apart, patterns of ASCII letters.
namespace TextSearch {

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
    for (; i + 8 <= n; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
        const unsigned mask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(a, needle)));
        if (mask)
            return i + (__builtin_ctz(mask) >> 1);
    }
#endif
    for (; i < n; ++i) {
        if (data[i] == c)
            return i;
    }
    return -1;
}

// The positions of one character from a starting point on, in order. Finds them 64 characters
// at a time, so that walking the tags of a row costs a few instructions per tag.
class CharScanner {
public:
    CharScanner(QStringView text, qsizetype from, char16_t c)
        : m_data(reinterpret_cast<const char16_t *>(text.utf16())), m_size(text.size()), m_char(c)
    {
        load(from);
    }

    // The next position, or -1 at the end of the text.
    qsizetype next()
    {
        while (!m_mask) {
            if (m_base + 64 >= m_size)
                return -1;
            load(m_base + 64);
        }
        const int bit = __builtin_ctzll(m_mask);
        m_mask &= m_mask - 1;
        return m_base + bit;
    }

private:
    void load(qsizetype base)
    {
        m_base = base;
        m_mask = 0;
        if (base >= m_size)
            return;
#ifdef __SSE2__
        if (base + 64 <= m_size) {
            const __m128i needle = _mm_set1_epi16(short(m_char));
            const char16_t *p = m_data + base;
            for (int k = 0; k < 4; ++k) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k + 8));
                const unsigned bits = unsigned(_mm_movemask_epi8(
                    _mm_packs_epi16(_mm_cmpeq_epi16(a, needle), _mm_cmpeq_epi16(b, needle))));
                m_mask |= quint64(bits) << (16 * k);
            }
            return;
        }
#endif
        const qsizetype end = base + 64 < m_size ? base + 64 : m_size;
        for (qsizetype i = base; i < end; ++i) {
            if (m_data[i] == m_char)
                m_mask |= quint64(1) << (i - base);
        }
    }

    const char16_t *m_data;
    qsizetype m_size;
    char16_t m_char;
    qsizetype m_base = 0;
    quint64 m_mask = 0;
};

// Whether `text` holds `a` or `b` anywhere.
inline bool containsEither(QStringView text, char16_t a, char16_t b)
{
    const char16_t *data = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype n = text.size();
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i na = _mm_set1_epi16(short(a));
    const __m128i nb = _mm_set1_epi16(short(b));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
        if (_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, na), _mm_cmpeq_epi16(v, nb))))
            return true;
    }
#endif
    for (; i < n; ++i) {
        if (data[i] == a || data[i] == b)
            return true;
    }
    return false;
}

// First case-insensitive occurrence of `pattern` (which starts with '<') at or after `from`.
template <size_t N>
inline qsizetype findTag(QStringView text, qsizetype from, const char16_t (&pattern)[N])
{
    CharScanner opening(text, from, u'<');
    for (;;) {
        const qsizetype lt = opening.next();
        if (lt < 0 || matchesAt(text, lt, pattern))
            return lt;
    }
}

// Last case-insensitive occurrence of `pattern` (which starts with '<'), or -1.
template <size_t N>
inline qsizetype findLastTag(QStringView text, const char16_t (&pattern)[N])
{
    const char16_t *data = reinterpret_cast<const char16_t *>(text.utf16());
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        if (data[i] == u'<' && matchesAt(text, i, pattern))
            return i;
    }
    return -1;
}

} // namespace TextSearch
