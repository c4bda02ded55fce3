#include "Desktop/BackgroundRefreshScheduler.h"
#include "CataloguePage.h"
#include "HttpTestServer.h"
#include "Notifications/NotificationSettings.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/UserDefaults.h"
#include "Repositories/EarthquakeRepository.h"
#include "TestWait.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class BackgroundRefreshTest : public QObject {
    Q_OBJECT
    HttpTestServer m_server;
    QTemporaryDir m_dir;
    std::unique_ptr<ModelContainer> m_container;

    static QList<QTimer *> activities()
    {
        QList<QTimer *> out;
        for (QTimer *t : QCoreApplication::instance()->findChildren<QTimer *>(BackgroundRefreshScheduler::identifier))
            if (t->isActive())
                out << t;
        return out;
    }

public:
    static void initMain()
    {
        // The standard user defaults and store of this run stay out of the user's own.
        static QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_server.listen());
        qputenv("SISMOVANTAQUELORIN_CATALOGUE_URL", m_server.url(QStringLiteral("/page")).toEncoded());
        auto opened = ModelContainer::open({m_dir.filePath(QStringLiteral("store.sqlite")), false});
        QVERIFY(opened);
        m_container = std::move(*opened);
        BackgroundRefreshScheduler::setContainer(m_container.get());
    }

    void cleanup() { BackgroundRefreshScheduler::cancel(); }

    void appliesTheRefreshInterval_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<double>("seconds");
        QTest::newRow("manual") << int(RefreshInterval::Disabled) << 0.0;
        QTest::newRow("5 minutes") << int(RefreshInterval::FiveMinutes) << 300.0;
        QTest::newRow("10 minutes") << int(RefreshInterval::TenMinutes) << 600.0;
        QTest::newRow("1 hour") << int(RefreshInterval::OneHour) << 3600.0;
    }
    void appliesTheRefreshInterval()
    {
        QFETCH(int, interval);
        QFETCH(double, seconds);
        NotificationSettings::shared()->setRefreshInterval(RefreshInterval(RefreshInterval::Value(interval)));
        BackgroundRefreshScheduler::applySettings();
        QTimer *activity = BackgroundRefreshScheduler::activity();
        if (seconds == 0) {
            QVERIFY(!activity);
            QVERIFY(activities().isEmpty());
            return;
        }
        QVERIFY(activity);
        QCOMPARE(activity->objectName(), QStringLiteral("sismovantaquelorin.bgrefresh"));
        QVERIFY(activity->isActive());
        QVERIFY(!activity->isSingleShot());
        QCOMPARE(activity->interval(), int(seconds * 1000));
        QCOMPARE(activity->property("intervalSeconds").toDouble(), seconds);
        QCOMPARE(activity->property("toleranceSeconds").toDouble(), seconds * 0.1);
    }

    void reschedulingKeepsOneActivity()
    {
        BackgroundRefreshScheduler::scheduleRefresh(600);
        QPointer<QTimer> first = BackgroundRefreshScheduler::activity();
        BackgroundRefreshScheduler::scheduleRefresh(1800);
        QVERIFY(!first || !first->isActive());
        QCOMPARE(activities().size(), 1);
        QCOMPARE(BackgroundRefreshScheduler::activity()->interval(), 1800 * 1000);
        BackgroundRefreshScheduler::cancel();
        QVERIFY(!BackgroundRefreshScheduler::activity());
        QVERIFY(activities().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!first, TestWait::bound);
    }

    // Each run refreshes on a context of its own; cancelling does not cut a running refresh short.
    void runRefreshesTheStore()
    {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        CatalogueRow a{QStringLiteral("bg1"), now.addSecs(-600)};
        CatalogueRow b{QStringLiteral("bg2"), now.addSecs(-300)};
        m_server.setResponse(QStringLiteral("/page"), {200, {}, cataloguePage({a, b}), 300});
        UserDefaults::standard().remove(EarthquakeRepository::lastUpdatedKey);

        BackgroundRefreshScheduler::scheduleRefresh(0.05);
        int fired = 0;
        connect(BackgroundRefreshScheduler::activity(), &QTimer::timeout, this, [&] { ++fired; });
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount(QStringLiteral("/page")) >= 1, TestWait::bound);
        BackgroundRefreshScheduler::cancel();
        QTRY_COMPARE_WITH_TIMEOUT(m_container->mainContext()->fetchCount({}).valueOr(0), qint64(2), TestWait::bound);
        // The rows show once committed; the update time follows on this thread.
        QTRY_VERIFY_WITH_TIMEOUT(UserDefaults::standard().dateValue(EarthquakeRepository::lastUpdatedKey).has_value(),
                                 TestWait::bound);
        // About one run per period (several overlap the slow download), never a spinning timer.
        QVERIFY2(fired >= 1 && fired < 100, qPrintable(QString::number(fired)));
        // Nothing of a run outlives it.
        QTRY_VERIFY_WITH_TIMEOUT(m_container->findChildren<ModelContext *>() == QList{m_container->mainContext()},
                                 TestWait::bound);
    }

    // A run's context and repository go with the store they work in, download and all.
    void runEndsWithItsStore()
    {
        CatalogueRow row;
        row.eventID = QStringLiteral("gone1");
        row.date = QDateTime::currentDateTimeUtc();
        m_server.setResponse(QStringLiteral("/page"), {200, {}, cataloguePage({row}), 600000});  // answered after the reset
        QTemporaryDir dir;
        auto opened = ModelContainer::open({dir.filePath(QStringLiteral("store.sqlite")), false});
        QVERIFY(opened);
        std::unique_ptr<ModelContainer> store = std::move(*opened);
        BackgroundRefreshScheduler::setContainer(store.get());
        const int before = m_server.requestCount(QStringLiteral("/page"));
        BackgroundRefreshScheduler::scheduleRefresh(0.05);
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount(QStringLiteral("/page")) > before, TestWait::bound);
        BackgroundRefreshScheduler::cancel();
        QPointer<EarthquakeRepository> run = store->findChild<EarthquakeRepository *>();
        QVERIFY(run);
        store.reset();
        BackgroundRefreshScheduler::setContainer(m_container.get());
        QVERIFY(!run);
        QVERIFY(QCoreApplication::instance()->findChildren<ModelContext *>().isEmpty());
    }
};

QTEST_GUILESS_MAIN(BackgroundRefreshTest)
#include "tst_backgroundrefresh.moc"
