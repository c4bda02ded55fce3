#include "SearchDebounce.h"

SearchDebounce::SearchDebounce(QObject *parent)
    : QObject(parent)
{
    m_timer.setObjectName(QStringLiteral("searchDebounceWait"));
    m_timer.setSingleShot(true);
    m_timer.setInterval(300);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_last && *m_last == m_pending)
            return;
        m_last = m_pending;
        m_passed = m_pending;
        emit passedOn();
    });
}

void SearchDebounce::submit(const QString &text)
{
    m_pending = text;
    m_timer.start();
}
