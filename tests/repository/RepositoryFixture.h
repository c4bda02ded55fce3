#pragma once

#include "CataloguePage.h"
#include "HttpTestServer.h"
#include "Notifications/NotificationManager.h"
#include "Notifications/NotificationSettings.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/Localization.h"
#include "Platform/UserDefaults.h"
#include "Repositories/EarthquakeRepository.h"
#include "TestWait.h"

#include <QTemporaryDir>
#include <QtTest>

// What the repository tests share: a loopback catalogue, a real store in a temporary folder
// behind a context that can fail on request, and alert settings that alert everything.

inline const QDateTime kNow(QDate(2025, 6, 1), QTime(12, 0), Qt::UTC);

// Every alert the repository hands over, in order.
class RecordingSender : public NotificationSender {
public:
    void send(const EarthquakeNotificationEvent &alert) override { alerts.append(alert); }
    QStringList identifiers() const
    {
        QStringList out;
        for (const auto &a : alerts)
            out << NotificationManager::content(a, kNow).identifier;
        return out;
    }
    QList<EarthquakeNotificationEvent> alerts;
};

// A real store context that counts the saves handed to the store's writer, and whose reading
// of the stored identifiers fails on request: the save then answers later, having written
// nothing, as the writer does.
class FaultyContext : public ModelContext {
public:
    using ModelContext::ModelContext;
    bool failStoredIDs = false;
    int saves = 0;
    void saveNew(std::function<EarthquakeList()> candidates, QObject *receiver, FetchCompletion done) override
    {
        ++saves;
        if (!failStoredIDs)
            return ModelContext::saveNew(std::move(candidates), receiver, std::move(done));
        QTimer::singleShot(0, receiver, [done = std::move(done)] {
            done(Error{Error::Domain::Store, 1, QStringLiteral("disk I/O error")});
        });
    }
};

inline CatalogueRow row(const QString &id, int minutesAgo, double magnitude = 2.0, const QString &location = "NE TENERIFE")
{
    CatalogueRow r;
    r.eventID = id;
    r.date = kNow.addSecs(-60 * minutesAgo);
    r.magnitude = magnitude;
    r.location = location;
    return r;
}

inline QStringList storedIDs(ModelContext &context)
{
    FetchDescriptor all;
    all.sortByDate = SortOrder::Forward;
    QStringList out;
    for (const auto &e : context.fetch(all).valueOr({}))
        out << e->eventID();
    out.sort();
    return out;
}

class RepositoryFixture : public QObject {
protected:
    HttpTestServer m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ModelContainer> m_container;
    std::unique_ptr<FaultyContext> m_context;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<NotificationSettings> m_settings;
    RecordingSender m_sender;
    QDateTime m_now;

    EarthquakeRepository::Environment environment(NotificationSender *sender = nullptr, int tickMs = 1000)
    {
        EarthquakeRepository::Environment env;
        env.defaults = m_defaults.get();
        env.now = [this] { return m_now; };
        env.sender = sender ? sender : &m_sender;
        env.settings = m_settings.get();
        env.userLocation = [] { return std::optional<QGeoCoordinate>(); };
        env.cooldownTickMs = tickMs;
        return env;
    }
    // On the institute's source, pointed at the loopback server for the whole run.
    std::unique_ptr<EarthquakeRepository> repository(NotificationSender *sender = nullptr, int tickMs = 1000)
    {
        return std::make_unique<EarthquakeRepository>(m_context.get(), nullptr, environment(sender, tickMs));
    }
    void serve(const QList<CatalogueRow> &rows, int delayMs = 0)
    {
        m_server.setResponse(QStringLiteral("/page"), {200, {{"Content-Type", "text/html"}}, cataloguePage(rows), delayMs});
    }
    // The page's chunked framing breaks after its first rows, which Qt hands over as a whole
    // 200 response.
    void serveCutShort(const QList<CatalogueRow> &rows)
    {
        const QByteArray page = cataloguePage(rows);
        const QByteArray first = page.left(page.indexOf("<tr", page.size() / 2));
        HttpTestServer::Response response;
        response.raw = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                       + QByteArray::number(first.size(), 16) + "\r\n" + first + "\r\nzz\r\n"
                       + page.mid(first.size());
        m_server.setResponse(QStringLiteral("/page"), response);
    }
    static void refreshAndWait(EarthquakeRepository &repo, bool startCooldown = false)
    {
        bool done = false;
        repo.refresh(startCooldown, &repo, [&] { done = true; });
        QTRY_VERIFY_WITH_TIMEOUT(done, TestWait::bound);
    }

    // Once per test run: the loopback catalogue and the C locale.
    void startServer()
    {
        QVERIFY(m_server.listen());
        // Before anything reads the monitored region, whose address is fixed at first use.
        qputenv("SISMOVANTAQUELORIN_CATALOGUE_URL", m_server.url(QStringLiteral("/page")).toEncoded());
        Localization::setLocaleForTesting(QLocale::c());
    }

    // Before each test: a store, user defaults and alert settings of its own.
    void setUp()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        auto opened = ModelContainer::open({m_dir->filePath(QStringLiteral("store.sqlite")), false});
        QVERIFY2(opened, opened ? "" : qPrintable(opened.error().description));
        m_container = std::move(*opened);
        m_context = std::make_unique<FaultyContext>(m_container.get());
        m_defaults = std::make_unique<UserDefaults>(m_dir->filePath(QStringLiteral("defaults.ini")));
        m_settings = std::make_unique<NotificationSettings>(*m_defaults);
        m_settings->setIsEnabled(true);
        m_settings->setGlobalMagnitudeEnabled(true);
        m_settings->setGlobalMagnitudeCategory(MagnitudeCategory::Micro);
        m_sender.alerts.clear();
        m_now = kNow;
    }

    void tearDown()
    {
        m_settings.reset();
        m_context.reset();
        m_container.reset();
        m_defaults.reset();
        m_dir.reset();
    }
};
