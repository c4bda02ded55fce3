#include "BackgroundRefreshScheduler.h"

#include "Notifications/NotificationSettings.h"
#include "Persistence/ModelContext.h"
#include "Persistence/PersistenceController.h"
#include "Repositories/EarthquakeRepository.h"

#include <QCoreApplication>
#include <limits>

namespace {
QPointer<QTimer> &currentActivity()
{
    static QPointer<QTimer> activity;
    return activity;
}

QPointer<ModelContainer> &chosenContainer()
{
    static QPointer<ModelContainer> container;
    return container;
}
}  // namespace

QTimer *BackgroundRefreshScheduler::activity()
{
    return currentActivity();
}

void BackgroundRefreshScheduler::setContainer(ModelContainer *container)
{
    chosenContainer() = container;
}

void BackgroundRefreshScheduler::scheduleRefresh(double interval)
{
    cancel();
    auto *timer = new QTimer(QCoreApplication::instance());
    timer->setObjectName(identifier);
    timer->setSingleShot(false);
    timer->setProperty("intervalSeconds", interval);
    timer->setProperty("toleranceSeconds", interval * toleranceFactor);
    timer->setProperty("qualityOfService", QStringLiteral("utility"));
    // Low-priority work the user does not wait for: a coarse timer may slip by 5%, within the
    // tolerance. (A very coarse one rounds to whole seconds, so short intervals would spin.)
    timer->setTimerType(Qt::CoarseTimer);
    timer->setInterval(int(qBound(1.0, interval * 1000.0, double(std::numeric_limits<int>::max()))));
    QObject::connect(timer, &QTimer::timeout, timer, &BackgroundRefreshScheduler::run);
    timer->start();
    currentActivity() = timer;
}

void BackgroundRefreshScheduler::cancel()
{
    if (QTimer *timer = currentActivity()) {
        timer->stop();
        timer->deleteLater();
    }
    currentActivity() = nullptr;
}

void BackgroundRefreshScheduler::applySettings()
{
    if (const std::optional<double> seconds = NotificationSettings::shared()->refreshInterval().seconds())
        scheduleRefresh(*seconds);
    else
        cancel();
}

void BackgroundRefreshScheduler::run()
{
    ModelContainer *container = chosenContainer() ? chosenContainer().data() : PersistenceController::shared().container();
    // The run owns its context and repository and drops both when the refresh ends. They hang
    // off the store, not the timer, so cancelling never cuts a refresh short, and they never
    // outlive the store they work in.
    auto *context = new ModelContext(container, container);
    auto *repository = new EarthquakeRepository(context, nullptr, context);
    repository->refresh(false, context, [context] { context->deleteLater(); });
}
