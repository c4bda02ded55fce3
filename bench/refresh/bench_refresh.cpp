#include "CataloguePage.h"
#include "StoreGenerator.h"

#include "Networking/HTMLParser.h"
#include "Notifications/NotificationManager.h"
#include "Notifications/NotificationSettings.h"
#include "Persistence/ModelContainer.h"
#include "Persistence/ModelContext.h"
#include "Platform/UserDefaults.h"
#include "Repositories/EarthquakeRepository.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kPageRows = 2000;
constexpr int kNewRows = 20;

// Serves one page to every request on 127.0.0.1, one request per connection.
class PageServer : public QTcpServer {
public:
    explicit PageServer(QByteArray body) : m_body(std::move(body))
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_pending[socket] += socket->readAll();
                    if (!m_pending[socket].contains("\r\n\r\n"))
                        return;
                    m_pending.remove(socket);
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: "
                                  + QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n");
                    socket->write(m_body);
                    socket->disconnectFromHost();
                });
            }
        });
    }

private:
    QByteArray m_body;
    QHash<QTcpSocket *, QByteArray> m_pending;
};

// Alerts are evaluated as in the application; delivery is not what is measured.
class CountingSender : public NotificationSender {
public:
    void send(const EarthquakeNotificationEvent &) override { ++count; }
    int count = 0;
};

// The straightforward way: read every stored identifier, then look the page's up in that set.
class ReadAllIdsContext : public ModelContext {
public:
    using ModelContext::ModelContext;
    Expected<QSet<QString>> fetchStoredEventIDs(const QStringList &eventIDs) const override
    {
        Expected<QSet<QString>> all = fetchAllEventIDs();
        if (!all)
            return all;
        QSet<QString> found;
        for (const QString &id : eventIDs)
            if (all->contains(id))
                found.insert(id);
        return found;
    }
};

// A store of `size` events: the page's rows but the newest kNewRows, and older generated ones.
bool makeStore(const QString &path, int size, const ParsedEarthquakeList &page, QString *error)
{
    const int fromPage = int(page.size()) - kNewRows;
    StoreGenerator::Options options;
    options.count = size - fromPage;
    options.newestMs = page.last().date.toMSecsSinceEpoch() - 86400LL * 1000;
    if (!StoreGenerator::generate(path, options, error))
        return false;
    // The page's stored rows go in through the store itself: a couple of thousand, no hot path.
    auto opened = ModelContainer::open({path, false});
    if (!opened) {
        *error = opened.error().description;
        return false;
    }
    ModelContext *context = (*opened)->mainContext();
    for (int i = kNewRows; i < page.size(); ++i) {
        const ParsedEarthquake &p = page.at(i);
        context->insert(std::make_shared<Earthquake>(p.eventID, p.date, p.latitude, p.longitude, p.depth, p.magnitude,
                                                     p.magnitudeType, p.maxIntensity, p.location,
                                                     p.date.addSecs(600)));
    }
    const auto saved = context->save();
    if (!saved)
        *error = saved.error().description;
    return bool(saved);
}

struct Bench {
    ModelContainer *container;
    QStringList newIDs;
    UserDefaults *defaults;
    NotificationSettings *settings;
    QDateTime now;

    // Milliseconds of one refresh that stores the kNewRows new events; -1 when it did not.
    double refreshOnce(ModelContext &context)
    {
        QSqlQuery remove(container->database());
        remove.exec(QStringLiteral("DELETE FROM Earthquake WHERE eventID IN ('%1')").arg(newIDs.join("','")));
        CountingSender sender;
        EarthquakeRepository::Environment env;
        env.defaults = defaults;
        env.now = [this] { return now; };
        env.sender = &sender;
        env.settings = settings;
        env.userLocation = [] { return std::optional<QGeoCoordinate>(); };
        EarthquakeRepository repository(&context, nullptr, env);
        bool done = false;
        QElapsedTimer timer;
        timer.start();
        repository.refresh(false, &repository, [&] { done = true; });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (repository.lastError() || sender.count < kNewRows) {
            std::fprintf(stderr, "refresh failed: %s (%d alerts)\n",
                         qPrintable(repository.lastErrorDescription()), sender.count);
            return -1;
        }
        return ms;
    }

    double median(ModelContext &context, int runs)
    {
        refreshOnce(context);  // warm the page cache and the connection set-up
        QList<double> times;
        for (int i = 0; i < runs; ++i)
            times << refreshOnce(context);
        std::sort(times.begin(), times.end());
        return times.at(times.size() / 2);
    }
};

// The main thread's longest stall during one refresh of a `rows`-row page into an empty store
// (every row new, so the save and the alert rules have the most to do): the longest gap
// between ticks of a 1 ms timer. Returns it with the refresh's whole duration.
std::pair<double, double> mainThreadStall(int rows, UserDefaults *defaults, NotificationSettings *settings,
                                          const QString &path)
{
    const QByteArray body = CataloguePage::utf8(rows);
    PageServer server(body);
    if (!server.listen(QHostAddress::LocalHost))
        return {-1, -1};
    HTMLParser parser;
    auto opened = ModelContainer::open({path, false});
    if (!opened)
        return {-1, -1};
    std::unique_ptr<ModelContainer> container = std::move(*opened);
    // Times the two store steps of the refresh, to tell them from the rest of the stall.
    class TimedContext : public ModelContext {
    public:
        using ModelContext::ModelContext;
        Expected<QSet<QString>> fetchStoredEventIDs(const QStringList &eventIDs) const override
        {
            QElapsedTimer t;
            t.start();
            auto ids = ModelContext::fetchStoredEventIDs(eventIDs);
            idsMs = t.nsecsElapsed() / 1e6;
            return ids;
        }
        Expected<void> save() override
        {
            QElapsedTimer t;
            t.start();
            auto saved = ModelContext::save();
            saveMs = t.nsecsElapsed() / 1e6;
            return saved;
        }
        mutable double idsMs = 0;
        double saveMs = 0;
    };
    TimedContext context(container.get());

    // Points the repository's own source at this page for this refresh.
    class LocalSource : public EarthquakeDataSource {
    public:
        explicit LocalSource(QUrl url) : m_url(std::move(url)) {}
        const Region &region() const override { return Region::canaryIslands(); }
        void fetchEarthquakes(QObject *context, FetchCompletion completion) override
        {
            HTMLParser().fetchAndParse(m_url, context, std::move(completion));
        }

    private:
        QUrl m_url;
    };
    CountingSender sender;
    EarthquakeRepository::Environment env;
    env.defaults = defaults;
    env.now = [] { return CataloguePage::defaultNewest().addSecs(60); };
    env.sender = &sender;
    env.settings = settings;
    env.userLocation = [] { return std::optional<QGeoCoordinate>(); };
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/catalogue").arg(server.serverPort()));
    EarthquakeRepository repository(&context, std::make_unique<LocalSource>(url), env);

    QElapsedTimer clock;
    qint64 lastTickNs = 0;
    qint64 longestNs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 t = clock.nsecsElapsed();
        longestNs = std::max(longestNs, t - lastTickNs);
        lastTickNs = t;
    });
    bool done = false;
    clock.start();
    ticker.start();
    repository.refresh(false, &repository, [&] { done = true; });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 endNs = clock.nsecsElapsed();
    longestNs = std::max(longestNs, endNs - lastTickNs);
    if (repository.lastError() || sender.count == 0) {
        std::fprintf(stderr, "stall refresh failed: %s\n", qPrintable(repository.lastErrorDescription()));
        return {-1, -1};
    }
    std::fprintf(stderr, "(refresh of %d new rows: known identifiers %.1f ms, save %.1f ms, longest stall %.1f ms)\n",
                 rows, context.idsMs, context.saveMs, longestNs / 1e6);
    return {longestNs / 1e6, endNs / 1e6};
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray body = CataloguePage::utf8(kPageRows);
    const Expected<ParsedEarthquakeList> page = HTMLParser::parseTable(QString::fromUtf8(body));
    if (!page || page->size() != kPageRows) {
        std::fprintf(stderr, "the generated page did not parse into %d rows\n", kPageRows);
        return 1;
    }
    PageServer server(body);
    if (!server.listen(QHostAddress::LocalHost)) {
        std::fprintf(stderr, "cannot listen on loopback\n");
        return 1;
    }
    qputenv("SISMOVANTAQUELORIN_CATALOGUE_URL",
            QStringLiteral("http://127.0.0.1:%1/catalogue").arg(server.serverPort()).toUtf8());

    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath(QStringLiteral("defaults.ini")));
    NotificationSettings settings(defaults);
    settings.setIsEnabled(true);
    settings.setGlobalMagnitudeEnabled(true);
    settings.setGlobalMagnitudeCategory(MagnitudeCategory::Micro);
    settings.setSwarmNotificationsEnabled(true);

    QStringList newIDs;
    for (int i = 0; i < kNewRows; ++i)
        newIDs << page->at(i).eventID;

    {
        // The median of a few runs, each into a new store.
        QList<std::pair<double, double>> runs;
        for (int i = 0; i < 5; ++i)
            runs << mainThreadStall(12000, &defaults, &settings, dir.filePath(QStringLiteral("stall-%1.sqlite").arg(i)));
        std::sort(runs.begin(), runs.end());
        const auto [stall, total] = runs.at(runs.size() / 2);
        std::printf("bench refresh_main_thread_stall 12000rows ours_ms=%.1f whole_refresh_ms=%.1f ratio=%.1f\n", stall,
                    total, total / stall);
        std::fflush(stdout);
    }

    for (const int size : {10000, 1000000}) {
        const QString path = dir.filePath(QStringLiteral("store-%1.sqlite").arg(size));
        QString error;
        if (!makeStore(path, size, *page, &error)) {
            std::fprintf(stderr, "store of %d: %s\n", size, qPrintable(error));
            return 1;
        }
        auto opened = ModelContainer::open({path, false});
        if (!opened) {
            std::fprintf(stderr, "store of %d: %s\n", size, qPrintable(opened.error().description));
            return 1;
        }
        std::unique_ptr<ModelContainer> container = std::move(*opened);
        Bench bench{container.get(), newIDs, &defaults, &settings, page->first().date.addSecs(60)};
        ModelContext ours(container.get());
        ReadAllIdsContext readAll(container.get());
        const double oursMs = bench.median(ours, 7);
        const double baselineMs = bench.median(readAll, size > 100000 ? 3 : 7);
        std::printf("bench refresh %d ours_ms=%.1f read_all_ids_ms=%.1f ratio=%.1f\n", size, oursMs, baselineMs,
                    baselineMs / oursMs);
        std::fflush(stdout);
    }
    return 0;
}
