#include "ColumnVisibility.h"

void ColumnVisibility::setValue(Value value)
{
    if (m_value == value)
        return;
    m_value = value;
    emit valueChanged();
}

void ColumnVisibility::toggle()
{
    setValue(toggled(m_value));
}
