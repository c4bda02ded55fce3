#include "UserDefaults.h"

#include <QCoreApplication>
#include <cmath>

namespace {

// QSettings gives back text for values it could not type (hand-edited files, INI literals).
// A number that is not finite reads as absent whatever its encoding: a NaN radius or
// threshold compares false with everything and would silence its alerts.
std::optional<double> numberFrom(const QVariant &v)
{
    double d = 0.0;
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? 1.0 : 0.0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        d = v.toDouble();
        break;
    case QMetaType::QString: {
        bool ok = false;
        d = v.toString().trimmed().toDouble(&ok);
        if (!ok)
            return std::nullopt;
        break;
    }
    default:
        return std::nullopt;
    }
    return std::isfinite(d) ? std::optional(d) : std::nullopt;
}

}  // namespace

UserDefaults::UserDefaults()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("sismovantaquelorin"),
                                             QStringLiteral("sismovantaquelorin")))
{
}

UserDefaults::UserDefaults(const QString &iniFilePath)
    : m_settings(std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat))
{
}

UserDefaults &UserDefaults::standard()
{
    static UserDefaults instance;
    return instance;
}

bool UserDefaults::contains(const QString &key) const
{
    return m_settings->contains(key);
}

QVariant UserDefaults::object(const QString &key) const
{
    return m_settings->value(key);
}

bool UserDefaults::boolValue(const QString &key) const
{
    const QVariant v = object(key);
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        if (s == QLatin1String("true") || s == QLatin1String("yes"))
            return true;
        if (s == QLatin1String("false") || s == QLatin1String("no"))
            return false;
    }
    const auto n = numberFrom(v);
    return n && *n != 0.0;
}

double UserDefaults::doubleValue(const QString &key) const
{
    return numberFrom(object(key)).value_or(0.0);
}

std::optional<QString> UserDefaults::stringValue(const QString &key) const
{
    const QVariant v = object(key);
    if (v.typeId() == QMetaType::QString)
        return v.toString();
    return std::nullopt;
}

std::optional<QDateTime> UserDefaults::dateValue(const QString &key) const
{
    const QVariant v = object(key);
    if (v.typeId() == QMetaType::QDateTime && v.toDateTime().isValid())
        return v.toDateTime();
    return std::nullopt;
}

void UserDefaults::setValue(const QString &key, const QVariant &value)
{
    // No sync here: QSettings saves once per burst of writes, from the event loop; a save per
    // write (lock file, two fdatasync, a rename) would hold the main thread at every switch.
    m_settings->setValue(key, value);
}

void UserDefaults::remove(const QString &key)
{
    m_settings->remove(key);
}

void UserDefaults::sync()
{
    m_settings->sync();
}
