#pragma once

#include <QDateTime>
#include <QObject>
#include <QtQml/qqmlregistration.h>
#include <optional>

// The history's date filter: one calendar year or one month of it, a range of instants
// (both ends included), or none. A value: equal when the case and its values are equal.
class DateFilterMode {
    Q_GADGET
    QML_VALUE_TYPE(dateFilterMode)
    Q_PROPERTY(Kind kind READ kind CONSTANT)
    Q_PROPERTY(bool isNone READ isNone CONSTANT)
    Q_PROPERTY(int year READ year CONSTANT)
    Q_PROPERTY(bool hasMonth READ hasMonth CONSTANT)
    Q_PROPERTY(int month READ monthOrZero CONSTANT)
    Q_PROPERTY(QDateTime start READ start CONSTANT)
    Q_PROPERTY(QDateTime end READ end CONSTANT)
public:
    enum Kind { YearMonth, CustomRange, None };
    Q_ENUM(Kind)

    DateFilterMode() = default;  // none
    static DateFilterMode none() { return {}; }
    static DateFilterMode yearMonth(int year, std::optional<int> month = std::nullopt)
    {
        DateFilterMode m;
        m.m_kind = YearMonth;
        m.m_year = year;
        m.m_month = month;
        return m;
    }
    static DateFilterMode customRange(const QDateTime &start, const QDateTime &end)
    {
        DateFilterMode m;
        m.m_kind = CustomRange;
        m.m_start = start;
        m.m_end = end;
        return m;
    }

    Kind kind() const { return m_kind; }
    bool isNone() const { return m_kind == None; }
    int year() const { return m_year; }
    std::optional<int> month() const { return m_month; }
    bool hasMonth() const { return m_month.has_value(); }
    int monthOrZero() const { return m_month.value_or(0); }
    QDateTime start() const { return m_start; }
    QDateTime end() const { return m_end; }

    friend bool operator==(const DateFilterMode &a, const DateFilterMode &b)
    {
        if (a.m_kind != b.m_kind)
            return false;
        switch (a.m_kind) {
        case YearMonth: return a.m_year == b.m_year && a.m_month == b.m_month;
        case CustomRange: return a.m_start == b.m_start && a.m_end == b.m_end;
        case None: return true;
        }
        return true;
    }

private:
    Kind m_kind = None;
    int m_year = 0;
    std::optional<int> m_month;
    QDateTime m_start;
    QDateTime m_end;
};
Q_DECLARE_METATYPE(DateFilterMode)
