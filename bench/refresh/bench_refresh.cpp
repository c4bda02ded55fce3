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
#include <QProcess>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

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

// The page server on a thread of its own, so that serving a big page is not counted as the
// refresh's stall: the catalogue's server is another machine.
class PageServerThread : public QThread {
public:
    explicit PageServerThread(QByteArray body) : m_body(std::move(body)) {}
    ~PageServerThread() override
    {
        quit();
        wait();
    }
    // The port it listens on, 0 when it could not.
    quint16 start()
    {
        QThread::start();
        m_ready.acquire();
        return m_port;
    }

protected:
    void run() override
    {
        PageServer server(m_body);
        m_port = server.listen(QHostAddress::LocalHost) ? server.serverPort() : 0;
        m_ready.release();
        if (m_port)
            exec();
    }

private:
    QByteArray m_body;
    QSemaphore m_ready;
    quint16 m_port = 0;
};

// Alerts are evaluated as in the application; delivery is not what is measured.
class CountingSender : public NotificationSender {
public:
    void send(const EarthquakeNotificationEvent &) override { ++count; }
    int count = 0;
};

// The straightforward way, as the refresh was first written: on this thread, read every stored
// identifier, look the page's up in that set, insert and save; the recent events for the alert
// rules are read here too.
class ReadAllIdsContext : public ModelContext {
public:
    using ModelContext::ModelContext;
    void saveNew(std::function<EarthquakeList()> candidates, QObject *receiver, FetchCompletion done) override
    {
        Expected<EarthquakeList> stored = [&]() -> Expected<EarthquakeList> {
            const Expected<QSet<QString>> all = fetchAllEventIDs();
            if (!all)
                return all.error();
            QSet<QString> taken;
            EarthquakeList fresh;
            for (const EarthquakePtr &e : candidates()) {
                if (all->contains(e->eventID()) || taken.contains(e->eventID()))
                    continue;
                taken.insert(e->eventID());
                insert(e);
                fresh.append(e);
            }
            if (const Expected<void> saved = save(); !saved)
                return saved.error();
            return fresh;
        }();
        QTimer::singleShot(0, receiver, [done = std::move(done), stored = std::move(stored)] { done(stored); });
    }
    void fetchInBackground(const FetchDescriptor &descriptor, QObject *receiver, FetchCompletion done) override
    {
        QTimer::singleShot(0, receiver, [done = std::move(done), recent = fetch(descriptor)] { done(recent); });
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

// A leaner page of the same rows: no link around the place, no cell classes and no line breaks,
// so that a page of 193,733 rows stays under the download limit: the biggest page a refresh takes.
QByteArray leanPage(int rows)
{
    QString html = CataloguePage::html(rows);
    html.replace(QStringLiteral("<td class=\"evento\">"), QStringLiteral("<td>"));
    html.replace(QStringLiteral("<td class=\"localizacion\">"), QStringLiteral("<td>"));
    html.replace(QRegularExpression(QStringLiteral("<a href=\"[^\"]*\" target=\"_blank\">([^<]*)</a>&nbsp;")),
                 QStringLiteral("\\1"));
    html.replace(QStringLiteral("</tr>\n"), QStringLiteral("</tr>"));
    const QByteArray bytes = html.toUtf8();
    std::fprintf(stderr, "(lean page of %d rows: %lld bytes)\n", rows, qlonglong(bytes.size()));
    return bytes;
}

// Another process holding the store's write lock (an EXCLUSIVE transaction) for `ms`
// milliseconds: this executable started again with --hold-lock. Returns once the lock is held.
std::unique_ptr<QProcess> holdLock(const QString &path, int ms)
{
    auto child = std::make_unique<QProcess>();
    child->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock"), path, QString::number(ms)});
    while (child->state() != QProcess::NotRunning && !child->canReadLine())
        child->waitForReadyRead(60000);
    if (child->readLine().trimmed() != "locked")
        return nullptr;
    return child;
}

int holdLockChild(const QString &path, int ms)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
    db.setDatabaseName(path);
    QSqlQuery q(db);
    if (!db.open() || !q.exec(QStringLiteral("BEGIN EXCLUSIVE")))
        return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    QThread::msleep(ms);
    q.exec(QStringLiteral("COMMIT"));
    return 0;
}

struct Stall {
    double longestMs = -1;
    double longestAfterParseMs = -1;  // once the parsed page is handed over: the store's part
    double wholeMs = -1;
    bool operator<(const Stall &other) const { return longestMs < other.longestMs; }
};

// The main thread's longest stall during one refresh of a page into an empty store (every row
// new, so the save and the alert rules have the most to do): the longest gap between ticks of
// a 1 ms timer, beside the refresh's whole duration. With lockMs > 0 another process holds the
// store's write lock that long from the refresh's start.
Stall mainThreadStall(const QByteArray &page, UserDefaults *defaults, NotificationSettings *settings,
                      const QString &path, int lockMs = 0)
{
    PageServerThread server(page);
    const quint16 port = server.start();
    if (!port)
        return {};
    auto opened = ModelContainer::open({path, false});
    if (!opened)
        return {};
    std::unique_ptr<ModelContainer> container = std::move(*opened);
    ModelContext context(container.get());

    // Points the repository's own source at this page for this refresh, and tells when the
    // parsed page is handed over: what follows is the store's part of the refresh.
    class LocalSource : public EarthquakeDataSource {
    public:
        LocalSource(QUrl url, bool *parsed) : m_url(std::move(url)), m_parsed(parsed) {}
        const Region &region() const override { return Region::canaryIslands(); }
        void fetchEarthquakes(QObject *context, FetchCompletion completion) override
        {
            HTMLParser().fetchAndParse(m_url, context,
                                       [parsed = m_parsed, completion = std::move(completion)](FetchResult result) {
                                           *parsed = true;
                                           completion(std::move(result));
                                       });
        }

    private:
        QUrl m_url;
        bool *m_parsed;
    };
    CountingSender sender;
    EarthquakeRepository::Environment env;
    env.defaults = defaults;
    env.now = [] { return CataloguePage::defaultNewest().addSecs(60); };
    env.sender = &sender;
    env.settings = settings;
    env.userLocation = [] { return std::optional<QGeoCoordinate>(); };
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/catalogue").arg(port));
    bool parsed = false;
    EarthquakeRepository repository(&context, std::make_unique<LocalSource>(url, &parsed), env);

    std::unique_ptr<QProcess> holder;
    if (lockMs > 0 && !(holder = holdLock(path, lockMs))) {
        std::fprintf(stderr, "could not lock the store\n");
        return {};
    }
    QElapsedTimer clock;
    qint64 lastTickNs = 0;
    qint64 longestNs = 0;
    qint64 longestAfterParseNs = 0;
    const auto tick = [&] {
        const qint64 t = clock.nsecsElapsed();
        longestNs = std::max(longestNs, t - lastTickNs);
        if (parsed)
            longestAfterParseNs = std::max(longestAfterParseNs, t - lastTickNs);
        lastTickNs = t;
    };
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, tick);
    bool done = false;
    clock.start();
    ticker.start();
    repository.refresh(false, &repository, [&] { done = true; });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    tick();
    const qint64 endNs = lastTickNs;
    if (holder)
        holder->waitForFinished(60000);
    if (repository.lastError() || sender.count == 0) {
        std::fprintf(stderr, "stall refresh failed: %s\n", qPrintable(repository.lastErrorDescription()));
        return {};
    }
    return {longestNs / 1e6, longestAfterParseNs / 1e6, endNs / 1e6};
}

// The median of `runs` refreshes, each into a new store, printed beside the whole refresh.
void printStall(const char *size, int runs, const QByteArray &page, UserDefaults *defaults,
                NotificationSettings *settings, const QTemporaryDir &dir, int lockMs = 0)
{
    QList<Stall> stalls;
    for (int i = 0; i < runs; ++i) {
        const QString path = dir.filePath(QStringLiteral("stall-%1-%2.sqlite").arg(QLatin1String(size)).arg(i));
        stalls << mainThreadStall(page, defaults, settings, path, lockMs);
    }
    std::sort(stalls.begin(), stalls.end());
    const Stall median = stalls.at(stalls.size() / 2);
    std::printf("bench refresh_main_thread_stall %s ours_ms=%.1f whole_refresh_ms=%.1f ratio=%.1f\n", size,
                median.longestMs, median.wholeMs, median.wholeMs / median.longestMs);
    std::sort(stalls.begin(), stalls.end(), [](const Stall &a, const Stall &b) {
        return a.longestAfterParseMs < b.longestAfterParseMs;
    });
    const Stall afterParse = stalls.at(stalls.size() / 2);
    std::printf("bench refresh_main_thread_stall_after_parse %s ours_ms=%.1f whole_refresh_ms=%.1f ratio=%.1f\n",
                size, afterParse.longestAfterParseMs, afterParse.wholeMs,
                afterParse.wholeMs / afterParse.longestAfterParseMs);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--hold-lock") == 0)
        return holdLockChild(QString::fromLocal8Bit(argv[2]), atoi(argv[3]));
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

    printStall("12000rows", 5, CataloguePage::utf8(12000), &defaults, &settings, dir);
    // The biggest page under the download limit.
    printStall("193733rows", 3, leanPage(193733), &defaults, &settings, dir);
    // Another process holds the store's write lock for two seconds from the refresh's start.
    printStall("12000rows_locked_store", 3, CataloguePage::utf8(12000), &defaults, &settings, dir, 2000);

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
