#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <optional>

// The periods of the automatic refresh, stored in the user defaults by their raw values.
class RefreshInterval {
    Q_GADGET
    Q_PROPERTY(QString rawValue READ rawValue CONSTANT)
    Q_PROPERTY(QString displayName READ displayName CONSTANT)
public:
    // Declaration order is the order of allCases().
    enum Value { Disabled, FiveMinutes, TenMinutes, ThirtyMinutes, OneHour };
    Q_ENUM(Value)

    // Default-built: the setting's default period.
    constexpr RefreshInterval(Value value = TenMinutes) : m_value(value) {}

    static std::optional<RefreshInterval> fromRawValue(const QString &raw);  // exact, case-sensitive
    static const std::array<RefreshInterval, 5> &allCases();

    constexpr Value value() const { return m_value; }
    QString rawValue() const;
    std::optional<double> seconds() const;  // absent for Disabled: no automatic refresh
    QString displayName() const;            // looked up anew on every read

    friend constexpr bool operator==(RefreshInterval a, RefreshInterval b) { return a.m_value == b.m_value; }

private:
    Value m_value;
};

inline size_t qHash(RefreshInterval i, size_t seed = 0) { return qHash(int(i.value()), seed); }
