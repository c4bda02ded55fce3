#pragma once

#include "ViewModels/DateFilterMode.h"
#include "ViewModels/HistoricoViewModel.h"

#include <QDate>
#include <QObject>
#include <QPointer>
#include <QTimeZone>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <optional>



// The choices of the history's filter sheet while it is open: the kind of filter, a year and
// an optional month, or a range of days. It reads the view model's filter when the sheet opens
// and touches the view model only to apply or clear. Days cross to QML as yyyymmdd numbers
// (dayKey), never as JS Dates, whose zone handling can move a day.
class HistoricoFilterSheetState : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(HistoricoViewModel *viewModel READ viewModel WRITE setViewModel NOTIFY viewModelChanged)
    Q_PROPERTY(Mode mode READ mode WRITE setMode NOTIFY modeChanged)
    Q_PROPERTY(QVariant selectedYear READ selectedYearVariant WRITE setSelectedYearVariant NOTIFY selectedYearChanged)
    Q_PROPERTY(QVariant selectedMonth READ selectedMonthVariant WRITE setSelectedMonthVariant NOTIFY selectedMonthChanged)
    Q_PROPERTY(int rangeStartKey READ rangeStartKey NOTIFY rangeStartChanged)
    Q_PROPERTY(int rangeEndKey READ rangeEndKey NOTIFY rangeEndChanged)
    Q_PROPERTY(bool showsClear READ showsClear NOTIFY showsClearChanged)
    Q_PROPERTY(QVariantList modeChoices READ modeChoices CONSTANT)
    Q_PROPERTY(QVariantList yearChoices READ yearChoices NOTIFY yearChoicesChanged)
    Q_PROPERTY(QVariantList monthChoices READ monthChoices NOTIFY viewModelChanged)

public:
    enum Mode { None, YearMonth, CustomRange };
    Q_ENUM(Mode)

    explicit HistoricoFilterSheetState(QObject *parent = nullptr);

    HistoricoViewModel *viewModel() const { return m_viewModel; }
    void setViewModel(HistoricoViewModel *viewModel);

    Mode mode() const { return m_mode; }
    void setMode(Mode mode);
    std::optional<int> selectedYear() const { return m_selectedYear; }
    void setSelectedYear(std::optional<int> year);
    std::optional<int> selectedMonth() const { return m_selectedMonth; }
    void setSelectedMonth(std::optional<int> month);
    QDate rangeStart() const { return m_rangeStart; }
    QDate rangeEnd() const { return m_rangeEnd; }
    // Each end is bounded by the other: a day past it is refused (false, nothing changes).
    bool setRangeStart(const QDate &day);
    bool setRangeEnd(const QDate &day);
    Q_INVOKABLE bool setRangeStartKey(int dayKey) { return setRangeStart(dateOfKey(dayKey)); }
    Q_INVOKABLE bool setRangeEndKey(int dayKey) { return setRangeEnd(dateOfKey(dayKey)); }
    int rangeStartKey() const { return keyOfDate(m_rangeStart); }
    int rangeEndKey() const { return keyOfDate(m_rangeEnd); }

    bool showsClear() const;
    QVariantList modeChoices() const;
    QVariantList yearChoices() const;   // "Todos" (null), then the stored years, newest first
    QVariantList monthChoices() const;  // "Todo el año" (null), then the twelve months

    // (number, name) for January to December in the locale, each word capitalised.
    static QList<QPair<int, QString>> monthNames(const QLocale &locale);

    DateFilterMode resolveFilter() const;
    Q_INVOKABLE void syncFromViewModel();
    Q_INVOKABLE void apply();
    Q_INVOKABLE void clear();

    static int keyOfDate(const QDate &date);
    static QDate dateOfKey(int key);

    QVariant selectedYearVariant() const;
    void setSelectedYearVariant(const QVariant &year);
    QVariant selectedMonthVariant() const;
    void setSelectedMonthVariant(const QVariant &month);

signals:
    void viewModelChanged();
    void modeChanged();
    void selectedYearChanged();
    void selectedMonthChanged();
    void rangeStartChanged();
    void rangeEndChanged();
    void showsClearChanged();
    void yearChoicesChanged();

private:
    QTimeZone zone() const;
    void resetRangeToToday();

    QPointer<HistoricoViewModel> m_viewModel;
    Mode m_mode = None;
    std::optional<int> m_selectedYear;
    std::optional<int> m_selectedMonth;
    QDate m_rangeStart;
    QDate m_rangeEnd;
};
