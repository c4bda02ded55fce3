#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>

class ModelContainer;

// Refreshes the store at the automatic refresh interval, independently of any screen: each run
// builds its own context and repository and refreshes once, without cooldown. Used through its
// static members only; nothing in the application starts it.
class BackgroundRefreshScheduler {
public:
    static inline const QString identifier = QStringLiteral("sismovantaquelorin.bgrefresh");
    static constexpr double toleranceFactor = 0.1;

    // Replaces any current activity by a repeating one of `interval` seconds.
    static void scheduleRefresh(double interval);
    // Stops the current activity, if any; a refresh that already runs goes on to its end.
    static void cancel();
    // Schedules at the settings' refresh interval, or cancels when refreshing is manual.
    static void applySettings();

    // The current activity: a repeating timer named by the identifier, whose "intervalSeconds",
    // "toleranceSeconds" and "qualityOfService" properties hold what it was scheduled with;
    // null while idle.
    static QTimer *activity();

    // The store each run works in; PersistenceController::shared()'s when none is set.
    static void setContainer(ModelContainer *container);

private:
    static void run();
    BackgroundRefreshScheduler() = delete;
};
