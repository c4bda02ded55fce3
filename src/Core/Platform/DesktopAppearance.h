#pragma once

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QtQml/qqmlregistration.h>


// The desktop's light or dark preference, read from the freedesktop settings portal
// ("org.freedesktop.appearance" / "color-scheme") once at start, without blocking, and followed
// through its change signal. Qt 6.4 has no colour-scheme API and its palette does not flip on
// every desktop; with no portal or no preference the scheme stays NoPreference and the theme
// keeps its palette-based choice.
class DesktopAppearance : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(ColorScheme colorScheme READ colorScheme NOTIFY colorSchemeChanged)
public:
    enum ColorScheme { NoPreference = 0, Dark = 1, Light = 2 };
    Q_ENUM(ColorScheme)

    explicit DesktopAppearance(QObject *parent = nullptr);
    // Reads from the portal on `bus` (tests pass a private one).
    explicit DesktopAppearance(const QDBusConnection &bus, QObject *parent = nullptr);

    ColorScheme colorScheme() const { return m_scheme; }

signals:
    void colorSchemeChanged();

private slots:
    void onSettingChanged(const QString &ns, const QString &key, const QDBusVariant &value);

private:
    void read(const QString &method);
    void apply(const QVariant &value);

    QDBusConnection m_bus;
    ColorScheme m_scheme = NoPreference;
    bool m_changedBeforeRead = false;
};
