#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <array>
#include <optional>

// The five magnitude bands. Bounds are half-open, each bound belonging to the band above it.
class MagnitudeCategory {
    Q_GADGET
public:
    enum Value { Micro, Low, Moderate, Strong, Major };
    Q_ENUM(Value)

    constexpr MagnitudeCategory(Value value = Micro) : m_value(value) {}

    static MagnitudeCategory from(double magnitude);
    static std::optional<MagnitudeCategory> fromRawValue(const QString &raw);  // exact, case-sensitive
    static const std::array<MagnitudeCategory, 5> &allCases();

    constexpr Value value() const { return m_value; }
    QString rawValue() const;
    double minimumMagnitude() const;
    QString range() const;
    QString label() const;        // looked up anew on every read
    QString description() const;  // looked up anew on every read
    QColor color() const;

    friend constexpr bool operator==(MagnitudeCategory a, MagnitudeCategory b) { return a.m_value == b.m_value; }

private:
    Value m_value;
};

inline size_t qHash(MagnitudeCategory c, size_t seed = 0) { return qHash(int(c.value()), seed); }

// The platform's standard red, shared by the "major" band and the theme.
QColor systemRed();
