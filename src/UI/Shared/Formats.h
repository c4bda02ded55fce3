#pragma once

#include <QColor>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <memory>

class LocaleDateFormat;

// The fixed number formats and the locale date formats, for QML. Numbers never follow the
// user's locale; dates do (rows) or are pinned to UTC (detail).
class Formats : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    explicit Formats(QObject *parent = nullptr);
    ~Formats() override;

    Q_INVOKABLE static QString oneDecimal(double value);                  // "%.1f"
    Q_INVOKABLE static QString decimal(double value, int precision);       // "%.<n>f"
    Q_INVOKABLE static QString kilometres(double value);                  // "%.0f km"
    Q_INVOKABLE static QString coordinate(double latitude, double longitude);  // "%.4f°, %.4f°"

    // The category colour of a magnitude, from the unrounded value.
    Q_INVOKABLE static QColor magnitudeColor(double magnitude);
    Q_INVOKABLE static QString magnitudeCategory(double magnitude);  // raw value, e.g. "moderate"

    // Day, two-digit month and year, hour in the locale's cycle without AM/PM, minute, in the
    // user's current locale and time zone.
    Q_INVOKABLE QString rowDate(const QDateTime &date);
    // Day, abbreviated month, year, hour and minute in the user's current locale, in UTC,
    // followed by " UTC" (the map's callout).
    Q_INVOKABLE QString calloutDate(const QDateTime &date);

private:
    // Rebuilt only when the locale or the time zone has changed since the last call.
    const LocaleDateFormat &formatFor(std::unique_ptr<LocaleDateFormat> &cache, const QString &skeleton,
                                      const QByteArray &timeZoneId);
    std::unique_ptr<LocaleDateFormat> m_row;
    std::unique_ptr<LocaleDateFormat> m_callout;
};
