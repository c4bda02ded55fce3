#include "LocaleDateFormat.h"

#include <QLocale>
#include <QTimeZone>

#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace {

icu::UnicodeString toIcu(const QString &text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
}

QString fromIcu(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

}  // namespace

struct LocaleDateFormat::Impl {
    std::unique_ptr<icu::SimpleDateFormat> formatter;
    QString pattern;
};

LocaleDateFormat::LocaleDateFormat(const QString &skeleton, const QString &localeId,
                                   const QByteArray &timeZoneId)
    : d(std::make_unique<Impl>()), m_skeleton(skeleton), m_localeId(localeId), m_timeZoneId(timeZoneId)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale = icu::Locale::createCanonical(localeId.toUtf8().constData());
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale, status));
    if (U_FAILURE(status) || !generator)
        return;
    // Keep the skeleton's field widths (JJ means two-digit hours even where the locale's own
    // pattern has "H"), which the generator adjusts only when asked.
    const icu::UnicodeString pattern =
        generator->getBestPattern(toIcu(skeleton), UDATPG_MATCH_ALL_FIELDS_LENGTH, status);
    if (U_FAILURE(status))
        return;
    auto formatter = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
    if (U_FAILURE(status))
        return;
    // createTimeZone gives the "Etc/Unknown" zone (offset 0) for an unknown identifier.
    formatter->adoptTimeZone(icu::TimeZone::createTimeZone(
        icu::UnicodeString::fromUTF8(timeZoneId.isEmpty() ? QByteArrayLiteral("UTC").constData()
                                                          : timeZoneId.constData())));
    d->pattern = fromIcu(pattern);
    d->formatter = std::move(formatter);
}

LocaleDateFormat::~LocaleDateFormat() = default;

bool LocaleDateFormat::isValid() const
{
    return d->formatter != nullptr;
}

QString LocaleDateFormat::pattern() const
{
    return d->pattern;
}

QString LocaleDateFormat::format(const QDateTime &instant) const
{
    if (!d->formatter || !instant.isValid())
        return {};
    icu::UnicodeString out;
    d->formatter->format(UDate(instant.toMSecsSinceEpoch()), out);
    return fromIcu(out);
}

QString LocaleDateFormat::systemLocaleId()
{
    // QLocale() follows LANG/LC_*; "C" has no CLDR data of its own, so it reads as root English.
    const QString name = QLocale().name();
    return name == QLatin1String("C") ? QStringLiteral("en_US_POSIX") : name;
}

QByteArray LocaleDateFormat::systemTimeZoneId()
{
    return QTimeZone::systemTimeZoneId();
}
