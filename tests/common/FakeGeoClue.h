#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>
#include <atomic>

// A GeoClue 2 service that does not do its job: it owns org.freedesktop.GeoClue2 on a bus of
// the tests and either answers nothing (Mute) or answers GetClient only and then nothing
// (StallAfterGetClient). Every call it leaves unanswered waits for the caller's timeout, until
// disconnect() drops the service, which ends those calls at once.
class FakeGeoClue : public QDBusVirtualObject {
public:
    enum class Mode { Mute, StallAfterGetClient };

    // `busAddress`: the bus to own the name on (the tests give their session bus as the system bus).
    FakeGeoClue(const QString &busAddress, Mode mode);
    ~FakeGeoClue() override;

    bool isRegistered() const { return m_registered; }
    int calls() const { return m_calls; }
    void disconnect();

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    QString m_connectionName;
    Mode m_mode;
    bool m_registered = false;
    std::atomic<int> m_calls = 0;  // handled on the bus thread
};
