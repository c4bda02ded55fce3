#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>
#include <optional>

// The desktop portal's settings interface, as much of it as the appearance needs: owns
// org.freedesktop.portal.Desktop on the session bus through a connection of its own and answers
// "org.freedesktop.appearance" / "color-scheme".
class FakeSettingsPortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    // `hasReadOne` false plays a portal of version 1, which has only Read.
    explicit FakeSettingsPortal(bool hasReadOne = true, QObject *parent = nullptr);
    ~FakeSettingsPortal() override;

    bool isRegistered() const { return m_registered; }

    // No value: the key is unknown to the portal (an error reply, as real portals give).
    void setColorScheme(std::optional<uint> scheme) { m_scheme = scheme; }
    // Sets the value and announces it with SettingChanged.
    void changeColorScheme(uint scheme);
    // Announces a change of another setting.
    void changeOther(const QString &ns, const QString &key, uint value);

    int reads() const { return m_reads; }

public slots:
    QDBusVariant ReadOne(const QString &ns, const QString &key);
    QDBusVariant Read(const QString &ns, const QString &key);

signals:
    void SettingChanged(const QString &ns, const QString &key, const QDBusVariant &value);

private:
    std::optional<uint> lookup(const QString &ns, const QString &key);

    QString m_connectionName;
    QDBusConnection m_connection;
    bool m_hasReadOne;
    bool m_registered = false;
    std::optional<uint> m_scheme;
    int m_reads = 0;
};
