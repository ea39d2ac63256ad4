#include "inbox_database.h"

#include "suite_identity.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace {

// The schema of version 1, statement by statement; the engines differ in identity columns and
// full-text search.
const char* const SqliteSchema[] = {
    "CREATE TABLE packages (id INTEGER PRIMARY KEY, sha256 TEXT NOT NULL UNIQUE, "
    "file TEXT NOT NULL, file_size INTEGER NOT NULL, crash_date TEXT, crash_time TEXT, "
    "crashed_at TEXT, device TEXT, serial TEXT, version TEXT, platform TEXT, "
    "comments TEXT NOT NULL, output_log TEXT NOT NULL, mail_sender TEXT, mail_date TEXT, "
    "added_at TEXT NOT NULL)",
    "CREATE TABLE entries (package_id INTEGER NOT NULL REFERENCES packages(id) ON DELETE "
    "CASCADE, position INTEGER NOT NULL, name TEXT NOT NULL, size INTEGER NOT NULL, "
    "kind INTEGER NOT NULL, PRIMARY KEY (package_id, position))",
    "CREATE INDEX packages_group ON packages(device, version)",
    "CREATE INDEX packages_crashed ON packages(crashed_at)",
    "CREATE VIRTUAL TABLE package_text USING fts5(comments, output_log, content='packages', "
    "content_rowid='id')",
    "CREATE TRIGGER packages_text_insert AFTER INSERT ON packages BEGIN INSERT INTO "
    "package_text(rowid, comments, output_log) VALUES (new.id, new.comments, new.output_log); "
    "END",
    "CREATE TRIGGER packages_text_delete AFTER DELETE ON packages BEGIN INSERT INTO "
    "package_text(package_text, rowid, comments, output_log) VALUES ('delete', old.id, "
    "old.comments, old.output_log); END",
    "CREATE TABLE inbox_schema (version INTEGER NOT NULL)",
};

const char* const PostgresSchema[] = {
    "CREATE TABLE packages (id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY, "
    "sha256 TEXT NOT NULL UNIQUE, file TEXT NOT NULL, file_size BIGINT NOT NULL, "
    "crash_date TEXT, crash_time TEXT, crashed_at TEXT, device TEXT, serial TEXT, "
    "version TEXT, platform TEXT, comments TEXT NOT NULL, output_log TEXT NOT NULL, "
    "mail_sender TEXT, mail_date TEXT, added_at TEXT NOT NULL, search tsvector GENERATED "
    "ALWAYS AS (to_tsvector('simple', comments || ' ' || output_log)) STORED)",
    "CREATE TABLE entries (package_id BIGINT NOT NULL REFERENCES packages(id) ON DELETE "
    "CASCADE, position INTEGER NOT NULL, name TEXT NOT NULL, size BIGINT NOT NULL, "
    "kind INTEGER NOT NULL, PRIMARY KEY (package_id, position))",
    "CREATE INDEX packages_group ON packages(device, version)",
    "CREATE INDEX packages_crashed ON packages(crashed_at)",
    "CREATE INDEX packages_search ON packages USING GIN (search)",
    "CREATE TABLE inbox_schema (version INTEGER NOT NULL)",
};

// Any number that no other program of ours uses: taken while the schema is looked at or made.
constexpr int SchemaLock = 52350;

QString connectionName()
{
    static std::atomic<int> next = 0;
    return QStringLiteral("inbox-%1").arg(next++);
}

QString failure(const QString& what, const QSqlError& error)
{
    return QStringLiteral("%1: %2").arg(what, error.text());
}

} // namespace

InboxDatabase::InboxDatabase(const DatabaseLocation& location, QString name)
    : m_location(location)
    , m_name(std::move(name))
{}

InboxDatabase::~InboxDatabase()
{
    {
        QSqlDatabase database = QSqlDatabase::database(m_name, false);
        if (database.isOpen())
            database.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

std::unique_ptr<InboxDatabase> InboxDatabase::open(const DatabaseLocation& location, QString& error)
{
    std::unique_ptr<InboxDatabase> database(new InboxDatabase(location, connectionName()));
    if (!database->connect(error) || !database->prepareSchema(error))
        return nullptr;
    return database;
}

bool InboxDatabase::connect(QString& error)
{
    const bool postgres = isPostgres();
    QSqlDatabase database = QSqlDatabase::addDatabase(
        postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), m_name);
    if (!database.isValid()) {
        error = QStringLiteral("the Qt SQL driver for %1 is not installed")
                    .arg(postgres ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite"));
        return false;
    }
    if (postgres) {
        database.setHostName(m_location.host);
        if (m_location.port > 0)
            database.setPort(m_location.port);
        database.setUserName(m_location.user);
        database.setPassword(m_location.password);
        database.setDatabaseName(m_location.database);
    } else {
        ensurePathExists(QFileInfo(m_location.path).absolutePath());
        database.setDatabaseName(m_location.path);
        // Other processes filing at the same moment make us wait, not fail.
        database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=60000"));
    }
    if (!database.open()) {
        error = failure(QStringLiteral("%1 cannot be opened").arg(m_location.describe()),
                        database.lastError());
        return false;
    }
    QSqlQuery query(database);
    // SQLite's rollback journal, not its write-ahead log: a reader that may not write the
    // folder can still read, which the log's shared-memory file would prevent.
    if (!postgres)
        query.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
    return true;
}

std::optional<int> InboxDatabase::storedVersion(QString& error)
{
    QSqlQuery query(connection());
    const bool exists =
        query.exec(isPostgres() ? QStringLiteral("SELECT to_regclass('inbox_schema') IS NOT NULL")
                                : QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                                 "type = 'table' AND name = 'inbox_schema'")) &&
        query.next() && query.value(0).toBool();
    if (query.lastError().isValid()) {
        error = failure(QStringLiteral("the database cannot be read"), query.lastError());
        return std::nullopt;
    }
    if (!exists)
        return 0;
    if (!query.exec(QStringLiteral("SELECT max(version) FROM inbox_schema")) || !query.next()) {
        error = failure(QStringLiteral("the database cannot be read"), query.lastError());
        return std::nullopt;
    }
    return query.value(0).toInt();
}

// Looked at and made under a lock, so that two programs starting at once make it once. A
// SQLite file that is ready needs no lock, which takes write access: one the user may only
// read can still be read. (PostgreSQL's advisory lock needs no write access; looking before it
// would leave the server's cached catalogue blind to tables made meanwhile.)
bool InboxDatabase::prepareSchema(QString& error)
{
    if (!isPostgres() && storedVersion(error) == SchemaVersion)
        return true;
    error.clear();
    QSqlQuery query(connection());
    const bool locked =
        isPostgres()
            ? query.exec(QStringLiteral("BEGIN")) &&
                  query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(SchemaLock))
            : query.exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (!locked) {
        error = failure(QStringLiteral("the database cannot be written"), query.lastError());
        return false;
    }
    const std::optional<int> version = storedVersion(error);
    bool ready = version.has_value();
    if (ready && *version > SchemaVersion) {
        error = QStringLiteral("%1 was made by a newer Crash Inbox (schema version %2; this "
                               "one knows version %3)")
                    .arg(m_location.describe())
                    .arg(*version)
                    .arg(SchemaVersion);
        ready = false;
    } else if (ready && *version == 0) {
        ready = createSchema(error);
    }
    // Version 1 is the first; upgrades from older versions will go here.
    const bool finished = ready ? query.exec(QStringLiteral("COMMIT"))
                                : (query.exec(QStringLiteral("ROLLBACK")), false);
    if (ready && !finished)
        error = failure(QStringLiteral("the database cannot be written"), query.lastError());
    return finished;
}

bool InboxDatabase::createSchema(QString& error)
{
    QSqlQuery query(connection());
    const auto run = [&](const char* statement) {
        if (query.exec(QLatin1String(statement)))
            return true;
        error = failure(QStringLiteral("the database's tables cannot be made"), query.lastError());
        return false;
    };
    if (isPostgres()) {
        for (const char* statement : PostgresSchema)
            if (!run(statement))
                return false;
    } else {
        for (const char* statement : SqliteSchema)
            if (!run(statement))
                return false;
    }
    const QByteArray version =
        "INSERT INTO inbox_schema (version) VALUES (" + QByteArray::number(SchemaVersion) + ")";
    return run(version.constData());
}
