#include "StallCases.h"

#include "FakeGeoClue.h"
#include "FakeSettingsProgram.h"
#include "MainThreadWatch.h"
#include "QuickItems.h"
#include "SettingsFixture.h"

#include "Location/QtLocationProvider.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGeoPositionInfoSource>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QThread>
#include <QTimer>

namespace {

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        wait(10);
    }
    return true;
}

std::unique_ptr<QQuickWindow> settingsWindow(QQmlEngine &engine, SettingsViewModel *vm)
{
    QQmlComponent component(&engine);
    component.setData("import QtQuick\nimport Sismovantaquelorin\nimport Sismovantaquelorin.Core\n"
                      "Window { property SettingsViewModel vm; width: 520; height: 900; visible: true\n"
                      "SettingsView { anchors.fill: parent; viewModel: vm } }",
                      QUrl(QStringLiteral("qrc:/stall/settings.qml")));
    std::unique_ptr<QQuickWindow> window(
        qobject_cast<QQuickWindow *>(component.createWithInitialProperties({{QStringLiteral("vm"), QVariant::fromValue(vm)}})));
    if (window)
        waitUntil([&] { return window->isExposed(); }, 5000);
    else
        qWarning().noquote() << component.errorString();
    return window;
}

// A source whose every call takes two seconds on the thread that makes it, as the geoclue2
// plugin's blocking D-Bus calls do against a stalled service.
class SleepingSource : public QGeoPositionInfoSource {
public:
    SleepingSource() : QGeoPositionInfoSource(nullptr) {}
    QGeoPositionInfo lastKnownPosition(bool) const override { return {}; }
    PositioningMethods supportedPositioningMethods() const override { return AllPositioningMethods; }
    int minimumUpdateInterval() const override { return 1000; }
    Error error() const override { return NoError; }
    void startUpdates() override { QThread::msleep(2000); }
    void stopUpdates() override { QThread::msleep(2000); }
    void requestUpdate(int) override { QThread::msleep(2000); }
};

StallResult muteNotificationServer(QQmlEngine &)
{
    FakeNotificationServer server;
    server.setMute(true);
    if (!server.isRegistered())
        return {0, QStringLiteral("the notification server could not take its name")};
    SettingsFixture f;
    MainThreadWatch watch;
    watch.start();
    f.viewModel->setNotificationsEnabled(true);
    // Refused once the calls time out; the reads that follow time out too.
    const bool refused = waitUntil([&] { return !f.settings->isEnabled(); }, 10000);
    wait(NotificationManager::callTimeoutMs + 300);
    const double ms = watch.stop();
    if (!refused)
        return {ms, QStringLiteral("the mute server's timeout never refused")};
    return {ms, {}};
}

StallResult geoClue(FakeGeoClue::Mode mode)
{
    FakeGeoClue fake(QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")), mode);
    if (!fake.isRegistered())
        return {0, QStringLiteral("the fake GeoClue could not take its name")};
    bool made = false;
    auto manager = std::make_unique<LocationManager>(new QtLocationProvider([&made] {
        QGeoPositionInfoSource *source = QGeoPositionInfoSource::createSource(QStringLiteral("geoclue2"), {}, nullptr);
        made = source != nullptr;
        return source;
    }));
    MainThreadWatch watch;
    watch.start();
    manager->requestPermission();
    wait(2000);
    const double ms = watch.stop();
    const int calls = fake.calls();
    const auto status = manager->authorizationStatus();
    // Ends the worker's blocked calls; the source then fails and goes with its thread.
    fake.disconnect();
    manager.reset();
    wait(300);
    if (!made)
        return {ms, QStringLiteral("no geoclue2 plugin")};
    if (calls == 0)
        return {ms, QStringLiteral("the plugin never called the fake GeoClue")};
    if (status != LocationManager::NotDetermined)
        return {ms, QStringLiteral("a status came from a service that answered nothing")};
    return {ms, {}};
}

StallResult sleepingSource(QQmlEngine &)
{
    auto manager = std::make_unique<LocationManager>(new QtLocationProvider([] { return new SleepingSource; }));
    MainThreadWatch watch;
    watch.start();
    manager->requestPermission();
    wait(2500);
    return {watch.stop(), {}};
}

StallResult everyControl(QQmlEngine &engine)
{
    FakeNotificationServer server;
    SettingsFixture f(LocationManager::AuthorizedAlways, [](UserDefaults &d) {
        d.setBool(QStringLiteral("notificationsEnabled"), true);
        d.setBool(QStringLiteral("settings.swarmEnabled"), true);
    });
    auto window = settingsWindow(engine, f.viewModel.get());
    if (!window)
        return {0, QStringLiteral("the settings screen did not build")};
    wait(200);
    struct Action {
        const char *control;
        const char *signal;
        QVariant value;
    };
    const Action actions[] = {
        {"byMagnitudeToggle", "toggled", false}, {"byMagnitudeToggle", "toggled", true},
        {"magnitudeThresholdPicker", "activated", 2}, {"proximityToggle", "toggled", true},
        {"radiusPicker", "activated", 500.0}, {"swarmToggle", "toggled", false},
        {"refreshPicker", "activated", 1}, {"notificationsToggle", "toggled", false},
        {"notificationsToggle", "toggled", true},
    };
    MainThreadWatch watch;
    watch.start();
    QString problem;
    for (const Action &action : actions) {
        QQuickItem *control = QuickItems::find(window->contentItem(), QString::fromLatin1(action.control));
        if (!control) {
            problem = QStringLiteral("no control ") + QLatin1String(action.control);
            break;
        }
        const QByteArray signature = QByteArray(action.signal) + (qstrcmp(action.signal, "toggled") == 0 ? "(bool)" : "(QVariant)");
        const QMetaMethod signal = control->metaObject()->method(control->metaObject()->indexOfSignal(signature));
        const bool sent = qstrcmp(action.signal, "toggled") == 0 ? signal.invoke(control, Q_ARG(bool, action.value.toBool()))
                                                                  : signal.invoke(control, Q_ARG(QVariant, action.value));
        if (!sent) {
            problem = QStringLiteral("could not reach ") + QLatin1String(action.control);
            break;
        }
        wait(50);
    }
    wait(500);
    const double ms = watch.stop();
    if (problem.isEmpty() && (f.settings->locationRadiusKm() != 500.0 || !f.settings->isEnabled()))
        problem = QStringLiteral("the controls did not reach the settings");
    return {ms, problem};
}

StallResult settingsButtons(QQmlEngine &engine)
{
    FakeSettingsProgram program("exec >/dev/null 2>&1 </dev/null\nsleep 5\n");
    if (!program.isReady())
        return {0, QStringLiteral("no launcher")};

    SettingsFixture f(LocationManager::Denied, [](UserDefaults &d) {
        d.setBool(QStringLiteral("notificationsEnabled"), true);
        d.setBool(QStringLiteral("settings.locationEnabled"), true);
    });
    SettingsViewModel vm({f.settings.get(), f.location.get(), f.notifications.get(), &SystemSettingsOpener::shared()});
    auto window = settingsWindow(engine, &vm);
    QString problem;
    double ms = 0;
    if (!window) {
        problem = QStringLiteral("the settings screen did not build");
    } else if (!waitUntil([&] { return vm.showsNotificationWarning() && vm.showsLocationWarning(); }, 5000)) {
        problem = QStringLiteral("the warning rows did not show");
    } else {
        MainThreadWatch watch;
        watch.start();
        for (const char *row : {"notificationsWarning", "locationWarning"})
            QMetaObject::invokeMethod(QuickItems::find(window->contentItem(), QString::fromLatin1(row)), "clicked");
        wait(500);
        ms = watch.stop();
    }
    return {ms, problem};
}

}  // namespace

void prepareStallEnvironment()
{
    qunsetenv("QT_QTESTLIB_RUNNING");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", qgetenv("DBUS_SESSION_BUS_ADDRESS"));
}

const std::vector<StallCase> &stallCases()
{
    static const std::vector<StallCase> cases = {
        {QStringLiteral("mute_notification_server"), muteNotificationServer},
        {QStringLiteral("geoclue_mute"), [](QQmlEngine &) { return geoClue(FakeGeoClue::Mode::Mute); }},
        {QStringLiteral("geoclue_stall_after_getclient"),
         [](QQmlEngine &) { return geoClue(FakeGeoClue::Mode::StallAfterGetClient); }},
        {QStringLiteral("sleeping_source"), sleepingSource},
        {QStringLiteral("every_control"), everyControl},
        {QStringLiteral("settings_buttons"), settingsButtons},
    };
    return cases;
}
