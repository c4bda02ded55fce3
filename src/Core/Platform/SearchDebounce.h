#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

// Passes a search text on once no newer one has come for an interval (300 ms unless set); a repeat
// of the last text passed on is dropped. The timer is a member, so nothing fires after the owner.
class SearchDebounce : public QObject {
    Q_OBJECT
public:
    explicit SearchDebounce(QObject *parent = nullptr);

    void submit(const QString &text);  // each newer text restarts the wait
    QString passed() const { return m_passed; }
    void setInterval(int ms) { m_timer.setInterval(ms); }

signals:
    void passedOn();

private:
    QTimer m_timer{this};  // a named child: tests wait on its timeout instead of sleeping
    QString m_pending;
    QString m_passed;
    std::optional<QString> m_last;
};
