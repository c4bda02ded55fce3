#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <memory>

// Formats instants with a CLDR date-field skeleton ("dMMyyJJmm") in one locale and time zone:
// the locale's own pattern for those fields decides order, separators and hour cycle.
// Building the pattern is costly, so an instance is made once and reused for many dates.
class LocaleDateFormat {
public:
    // localeId: an ICU/BCP 47 locale name ("en_US", "es-ES"); timeZoneId: an IANA identifier
    // ("Europe/Madrid", "UTC"). An unknown zone falls back to UTC rather than failing.
    LocaleDateFormat(const QString &skeleton, const QString &localeId, const QByteArray &timeZoneId);
    ~LocaleDateFormat();
    LocaleDateFormat(const LocaleDateFormat &) = delete;
    LocaleDateFormat &operator=(const LocaleDateFormat &) = delete;

    bool isValid() const;
    QString pattern() const;  // the locale's pattern chosen for the skeleton
    QString format(const QDateTime &instant) const;  // empty for an invalid instant

    QString skeleton() const { return m_skeleton; }
    QString localeId() const { return m_localeId; }
    QByteArray timeZoneId() const { return m_timeZoneId; }

    // The user's current settings, read anew at each call (they may change while running).
    static QString systemLocaleId();
    static QByteArray systemTimeZoneId();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    QString m_skeleton;
    QString m_localeId;
    QByteArray m_timeZoneId;
};
