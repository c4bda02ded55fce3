#pragma once

#include "DataSources/EarthquakeDataSource.h"
#include "Models/Earthquake.h"
#include "Networking/ParsedEarthquake.h"
#include "Persistence/FetchDescriptor.h"
#include "Platform/Clock.h"
#include "Platform/Error.h"

#include <QDateTime>
#include <QGeoCoordinate>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <memory>
#include <optional>

class ModelContext;
class NotificationSender;
class NotificationSettings;
class UserDefaults;

// Owns the refreshes of the store: downloads the catalogue, stores the events it does not hold
// yet, hands the new ones to the alert rules and publishes its state for the screens. One
// refresh at a time; failures are published, never passed to callers.
class EarthquakeRepository : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the window that owns it")
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QDateTime lastUpdated READ lastUpdatedValue NOTIFY lastUpdatedChanged)
    Q_PROPERTY(QString lastError READ lastErrorDescription NOTIFY lastErrorChanged)
    Q_PROPERTY(bool isCoolingDown READ isCoolingDown NOTIFY isCoolingDownChanged)
    Q_PROPERTY(int cooldownRemainingSeconds READ cooldownRemainingSeconds NOTIFY cooldownRemainingSecondsChanged)
public:
    static inline const QString lastUpdatedKey = QStringLiteral("lastUpdatedEarthquakes");
    static constexpr int cooldownSeconds = 60;

    // What a refresh reads and writes besides the store; every member defaults to the
    // process-wide instance. Tests replace them.
    struct Environment {
        UserDefaults *defaults = nullptr;           // UserDefaults::standard()
        NowFunction now;                            // systemNow
        NotificationSender *sender = nullptr;       // NotificationManager::shared()
        NotificationSettings *settings = nullptr;   // NotificationSettings::shared()
        std::function<std::optional<QGeoCoordinate>()> userLocation;  // LocationManager::shared()
        int cooldownTickMs = 1000;                  // one second of the countdown
    };

    // An absent source means the institute's catalogue on the shared network session.
    explicit EarthquakeRepository(ModelContext *context, std::unique_ptr<EarthquakeDataSource> dataSource = {},
                                  QObject *parent = nullptr);
    EarthquakeRepository(ModelContext *context, std::unique_ptr<EarthquakeDataSource> dataSource,
                         Environment environment, QObject *parent = nullptr);
    ~EarthquakeRepository() override;

    bool isLoading() const { return m_isLoading; }
    const std::optional<QDateTime> &lastUpdated() const { return m_lastUpdated; }
    QDateTime lastUpdatedValue() const { return m_lastUpdated.value_or(QDateTime()); }
    const std::optional<Error> &lastError() const { return m_lastError; }
    QString lastErrorDescription() const { return m_lastError ? m_lastError->description : QString(); }
    bool isCoolingDown() const { return m_isCoolingDown; }
    int cooldownRemainingSeconds() const { return m_cooldownRemainingSeconds; }

    // Runs one refresh. `finished` runs, while `receiver` (when given) is alive, once the refresh
    // has ended; when another refresh of this repository runs, it runs at once, before this
    // returns, and nothing else happens. A user-started refresh passes startCooldown.
    void refresh(bool startCooldown, QObject *receiver, std::function<void()> finished);
    Q_INVOKABLE void refresh(bool startCooldown = false) { refresh(startCooldown, nullptr, {}); }

signals:
    void isLoadingChanged(bool value);
    void lastUpdatedChanged(const QDateTime &value);
    void lastErrorChanged(const QString &value);
    void isCoolingDownChanged(bool value);
    void cooldownRemainingSecondsChanged(int value);

private:
    // What the refresh that runs was asked with.
    struct Running {
        bool startCooldown = false;
        bool bound = false;            // `finished` follows `receiver`
        QPointer<QObject> receiver;
        std::function<void()> finished;
    };

    // The steps after the download, each on this thread once the store's writer has answered.
    void persist(ParsedEarthquakeList parsed);
    void fireNotifications(EarthquakeList newEarthquakes);
    FetchDescriptor recentEarthquakesDescriptor() const;
    void endRefresh(const std::optional<Error> &error);
    void startCooldown(int seconds = cooldownSeconds);
    void cooldownTick();

    void setIsLoading(bool value);
    void setLastUpdated(const std::optional<QDateTime> &value);
    void setLastError(const std::optional<Error> &value);
    void setIsCoolingDown(bool value);
    void setCooldownRemainingSeconds(int value);

    ModelContext *m_context;
    std::unique_ptr<EarthquakeDataSource> m_dataSource;
    Environment m_env;

    Running m_running;
    bool m_isLoading = false;
    std::optional<QDateTime> m_lastUpdated;
    std::optional<Error> m_lastError;
    bool m_isCoolingDown = false;
    int m_cooldownRemainingSeconds = 0;

    QTimer m_cooldownTimer;
    int m_cooldownCounter = 0;
};
