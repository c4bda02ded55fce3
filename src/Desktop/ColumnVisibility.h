#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

// Which columns of a main window's split view show. One per window; the sidebar toggle and
// the user's own collapsing both write it.
class ColumnVisibility : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(Value value READ value WRITE setValue NOTIFY valueChanged)
    Q_PROPERTY(bool showsSidebar READ showsSidebar NOTIFY valueChanged)
public:
    enum Value { All, DoubleColumn, DetailOnly, Automatic };
    Q_ENUM(Value)

    explicit ColumnVisibility(QObject *parent = nullptr) : QObject(parent) {}

    Value value() const { return m_value; }
    void setValue(Value value);
    bool showsSidebar() const { return m_value != DetailOnly; }

    // Detail-only becomes all columns; anything else becomes detail-only.
    Q_INVOKABLE void toggle();
    static Value toggled(Value value) { return value == DetailOnly ? All : DetailOnly; }

signals:
    void valueChanged();

private:
    Value m_value = All;
};
