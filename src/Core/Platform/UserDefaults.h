#pragma once

#include <QDateTime>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

// The per-user key-value store. Values are written at once; typed reads never fail:
// an absent key or a value of another kind reads as false, 0 or absent.
class UserDefaults {
public:
    // The process-wide store: QSettings in its native format under the application's name.
    static UserDefaults &standard();

    // A store on a given file (tests, tools).
    explicit UserDefaults(const QString &iniFilePath);

    bool contains(const QString &key) const;
    QVariant object(const QString &key) const;

    bool boolValue(const QString &key) const;       // false when absent or not a Boolean-like value
    double doubleValue(const QString &key) const;   // 0 when absent or not a number
    std::optional<QString> stringValue(const QString &key) const;  // absent unless a text is stored
    std::optional<QDateTime> dateValue(const QString &key) const;  // only a stored date counts

    void setValue(const QString &key, const QVariant &value);
    void setBool(const QString &key, bool value) { setValue(key, value); }
    void setDouble(const QString &key, double value) { setValue(key, value); }
    void setString(const QString &key, const QString &value) { setValue(key, value); }
    void setDate(const QString &key, const QDateTime &value) { setValue(key, value); }
    void remove(const QString &key);

    void sync();
    QSettings &settings() { return *m_settings; }

private:
    UserDefaults();
    std::unique_ptr<QSettings> m_settings;
};
