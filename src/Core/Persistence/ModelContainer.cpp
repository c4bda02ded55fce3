#include "ModelContainer.h"

#include "Persistence/EarthquakeSnapshot.h"
#include "Persistence/ModelContext.h"
#include "Persistence/StoreError.h"
#include "Persistence/StoreWriter.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

const QStringList kColumns = {
    QStringLiteral("eventID"), QStringLiteral("date"), QStringLiteral("latitude"),
    QStringLiteral("longitude"), QStringLiteral("depth"), QStringLiteral("magnitude"),
    QStringLiteral("magnitudeType"), QStringLiteral("maxIntensity"), QStringLiteral("location"),
    QStringLiteral("fetchedAt"),
};

// A second process opening the store while the first creates or writes it waits this long; so
// does the writer while another process writes.
const QString kConnectOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000");

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("sismo-store-%1").arg(counter.fetchAndAddRelaxed(1));
}

struct SchemaState {
    int version = 0;
    int objectCount = 0;  // tables, views, indexes and triggers
    bool isNew() const { return version == 0 && objectCount == 0; }
};

// One statement, so both values come from the same snapshot of the file.
Expected<SchemaState> readSchemaState(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT (SELECT user_version FROM pragma_user_version), "
                               "(SELECT count(*) FROM sqlite_master)"))
        || !q.next())
        return storeError(q.lastError());
    return SchemaState{q.value(0).toInt(), q.value(1).toInt()};
}

// Creates the schema of a new store in one exclusive transaction, so another process opening
// the same new file waits (busy timeout) and then sees all of it or nothing. The state is read
// again under the lock: the other process may have created the schema in the meantime.
Expected<SchemaState> createSchemaIfNew(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("BEGIN EXCLUSIVE")))
        return storeError(q.lastError());
    const auto rollback = [&db] { QSqlQuery(db).exec(QStringLiteral("ROLLBACK")); };
    const Expected<SchemaState> state = readSchemaState(db);
    if (!state || !state->isNew()) {
        rollback();
        return state;
    }
    const QStringList statements = {
        QStringLiteral("CREATE TABLE Earthquake ("
                       "eventID TEXT NOT NULL UNIQUE, date INTEGER, latitude REAL, longitude REAL, "
                       "depth REAL, magnitude REAL, magnitudeType TEXT, maxIntensity TEXT, "
                       "location TEXT, fetchedAt INTEGER)"),
        QStringLiteral("CREATE INDEX Earthquake_date ON Earthquake(date, eventID)"),
        QStringLiteral("PRAGMA user_version = %1").arg(ModelContainer::schemaVersion),
        QStringLiteral("COMMIT"),
    };
    for (const QString &sql : statements) {
        if (!q.exec(sql)) {
            const Error e = storeError(q.lastError());
            rollback();
            return e;
        }
    }
    return SchemaState{ModelContainer::schemaVersion, 1};
}

// Every save inserts rows with their own row id and relies on the uniqueness of eventID: a
// view, a virtual table, a table without row ids or one that lets eventID repeat would pass the
// column check and then fail every refresh.
Expected<void> checkTableKind(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT type, wr FROM pragma_table_list "
                               "WHERE schema = 'main' AND name = 'Earthquake' COLLATE NOCASE"))
        || !q.next())
        return storeError(q.lastError());
    if (q.value(0).toString() != QLatin1String("table") || q.value(1).toInt() != 0)
        return storeError(QStringLiteral("the store's Earthquake is not a table of rows"));
    // A unique index on eventID alone, for every row and compared byte for byte.
    if (!q.exec(QStringLiteral(
            "SELECT count(*) FROM pragma_index_list('Earthquake') AS i WHERE i.\"unique\" AND NOT i.partial "
            "AND (SELECT group_concat(name || '/' || coll) FROM pragma_index_xinfo(i.name) WHERE key) "
            "= 'eventID/BINARY'"))
        || !q.next())
        return storeError(q.lastError());
    if (q.value(0).toInt() == 0)
        return storeError(QStringLiteral("the store's table Earthquake does not keep eventID unique"));
    return {};
}

// Reads the schema first and writes only when the file holds nothing yet, so a file
// that belongs to something else (or a newer version) is never changed.
Expected<void> prepareSchema(QSqlDatabase &db)
{
    Expected<SchemaState> state = readSchemaState(db);
    if (state && state->isNew())
        state = createSchemaIfNew(db);
    if (!state)
        return state.error();
    const int version = state->version;

    QSqlQuery q(db);
    if (version != ModelContainer::schemaVersion) {
        return storeError(QStringLiteral("unsupported store schema version %1 (expected %2)")
                              .arg(version)
                              .arg(ModelContainer::schemaVersion));
    }
    if (!q.exec(QStringLiteral("PRAGMA table_info(Earthquake)")))
        return storeError(q.lastError());
    QStringList columns;
    while (q.next())
        columns << q.value(1).toString();
    if (columns != kColumns)
        return storeError(QStringLiteral("the store's table Earthquake does not have the expected columns"));
    return checkTableKind(db);
}

}  // namespace

ModelContainer::ModelContainer(const Configuration &configuration, const QString &connectionName)
    : m_configuration(configuration)
    , m_connectionName(connectionName)
{
    m_writer = new StoreWriter(configuration.inMemory ? QString() : configuration.filePath, kConnectOptions,
                               connectionName, this);
    m_mainContext = new ModelContext(this, this);
}

ModelContainer::~ModelContainer()
{
    // First: the writes already handed over end, on the store, before anything else goes.
    delete m_writer;
    m_writer = nullptr;
    delete m_snapshot;
    m_snapshot = nullptr;
    delete m_mainContext;
    m_mainContext = nullptr;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlDatabase ModelContainer::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

void ModelContainer::noteSaved(const QList<qint64> &addedRowIds)
{
    ++m_saveCount;
    emit didSave(addedRowIds);
}

EarthquakeSnapshot *ModelContainer::snapshot()
{
    if (!m_snapshot)
        m_snapshot = new EarthquakeSnapshot(this, this);
    return m_snapshot;
}

namespace {

Expected<void> openConnection(const QString &name, const ModelContainer::Configuration &configuration)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    if (configuration.inMemory) {
        db.setDatabaseName(QStringLiteral(":memory:"));
    } else {
        const QFileInfo info(configuration.filePath);
        if (!QDir().mkpath(info.absolutePath()))
            return storeError(QStringLiteral("cannot create the folder %1").arg(info.absolutePath()));
        db.setDatabaseName(configuration.filePath);
        db.setConnectOptions(kConnectOptions);
    }
    if (!db.open())
        return storeError(db.lastError());
    if (const auto prepared = prepareSchema(db); !prepared)
        return prepared.error();

    QSqlQuery q(db);
    if (!configuration.inMemory) {
        // WAL keeps readers and the single writer out of each other's way and makes saves cheap.
        q.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        q.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    }
    return {};
}

}  // namespace

Expected<std::unique_ptr<ModelContainer>> ModelContainer::open(const Configuration &configuration)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return storeError(QStringLiteral("the SQLite driver for Qt is not installed"));

    const QString name = nextConnectionName();
    const Expected<void> opened = openConnection(name, configuration);
    if (!opened) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (db.isOpen())
                db.close();
        }
        QSqlDatabase::removeDatabase(name);
        return opened.error();
    }
    return std::unique_ptr<ModelContainer>(new ModelContainer(configuration, name));
}
