#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

// The four sections of the main window, in sidebar order. The raw value is the section's
// identifier; the label is looked up at every read so a changed table shows at once.
class SidebarItem {
    Q_GADGET
public:
    enum Case { sismos, historico, mapa, stats };
    Q_ENUM(Case)

    static QList<Case> allCases();
    static QString rawValue(Case item);
    static std::optional<Case> fromRawValue(const QString &raw);
    static QString label(Case item);
    static QString icon(Case item);  // SF Symbol name
};
