#pragma once

#include "Models/MagnitudeCategory.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <array>
#include <optional>

// The magnitude filter of the latest-events list (also kept by the map screen).
class MagnitudeFilter {
    Q_GADGET
public:
    enum Value { All, Micro, Low, Moderate, Strong, Major };
    Q_ENUM(Value)

    constexpr MagnitudeFilter(Value value = All) : m_value(value) {}

    static std::optional<MagnitudeFilter> fromRawValue(const QString &raw);  // exact, case-sensitive
    static const std::array<MagnitudeFilter, 6> &allCases();
    // [{id, label}] in the order of allCases(): a screen's choices.
    static QVariantList choices();

    constexpr Value value() const { return m_value; }
    QString rawValue() const;
    QString id() const { return rawValue(); }
    QString localizedLabel() const;
    std::optional<MagnitudeCategory> category() const;

    friend constexpr bool operator==(MagnitudeFilter a, MagnitudeFilter b) { return a.m_value == b.m_value; }

private:
    Value m_value;
};

// The date filter of the latest-events list (also kept by the map screen).
class DateFilter {
    Q_GADGET
public:
    enum Value { All, LastHour, Last24h, Last7d, Last30d };
    Q_ENUM(Value)

    constexpr DateFilter(Value value = All) : m_value(value) {}

    static std::optional<DateFilter> fromRawValue(const QString &raw);
    static const std::array<DateFilter, 5> &allCases();
    // [{id, label}] in the order of allCases(): a screen's choices.
    static QVariantList choices();

    constexpr Value value() const { return m_value; }
    QString rawValue() const;
    QString id() const { return rawValue(); }
    QString localizedLabel() const;
    // `now` minus the filter's window; none for All.
    std::optional<QDateTime> cutoffDate(const QDateTime &now = QDateTime::currentDateTimeUtc()) const;

    friend constexpr bool operator==(DateFilter a, DateFilter b) { return a.m_value == b.m_value; }

private:
    Value m_value;
};
