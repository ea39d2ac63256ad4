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

// Version 2: what the desk reads from each package's dump, and the symbol files that turn
// modules and offsets into functions and lines. The packages of one build on one console share
// one module list; the lists are found again by the modules they hold.
QList<QByteArray> upgradeToVersion2(bool postgres)
{
    const QByteArray blob = postgres ? "BYTEA" : "BLOB";
    const QByteArray identity =
        postgres ? "BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY" : "INTEGER PRIMARY KEY";
    const QByteArray integer = postgres ? "BIGINT" : "INTEGER";
    QList<QByteArray> statements{
        "CREATE TABLE module_lists (id " + identity + ", digest TEXT NOT NULL UNIQUE, modules " +
            blob + " NOT NULL)",
        "CREATE TABLE module_list_keys (list_id " + integer +
            " NOT NULL REFERENCES module_lists(id) ON DELETE CASCADE, debug_file TEXT NOT NULL, "
            "debug_id TEXT NOT NULL, PRIMARY KEY (debug_file, debug_id, list_id))"};
    // A package filed before its dump was read keeps dump_read 0 until it is added again.
    for (const QByteArray& column : QList<QByteArray>{
             "dump_read INTEGER NOT NULL DEFAULT 0", "signature TEXT", "crash_problem TEXT",
             "crash_os TEXT", "crash_cpu TEXT", "crash_reason TEXT", "crash_address TEXT",
             "crash_module TEXT", "crash_module_version TEXT", "crash_offset TEXT",
             "crash_function TEXT", "crash_source_file TEXT", "crash_source_line " + integer,
             "crash_place TEXT", "crash_thread " + blob, "crash_frames " + blob,
             "crash_modules " + integer + " REFERENCES module_lists(id)"})
        statements << "ALTER TABLE packages ADD COLUMN " + column;
    statements << "UPDATE packages SET signature = 'no dump facts', crash_problem = 'it was filed "
                  "before the desk read dumps; add it again to read its dump'"
               << "CREATE INDEX packages_signature ON packages(signature)"
               << "CREATE INDEX packages_modules ON packages(crash_modules)"
               << "CREATE TABLE symbol_files (id " + identity +
                      ", debug_file TEXT NOT NULL, debug_id TEXT NOT NULL, os TEXT NOT NULL, "
                      "cpu TEXT NOT NULL, added_at TEXT NOT NULL, UNIQUE (debug_file, debug_id))";
    const QByteArray owner =
        "symbol_file_id " + integer + " NOT NULL REFERENCES symbol_files(id) ON DELETE CASCADE";
    statements << "CREATE TABLE symbol_sources (" + owner + ", number " + integer +
                      " NOT NULL, name TEXT NOT NULL, PRIMARY KEY (symbol_file_id, number))"
               << "CREATE TABLE symbol_functions (" + owner + ", address " + integer +
                      " NOT NULL, size " + integer + " NOT NULL, name TEXT NOT NULL)"
               << "CREATE TABLE symbol_lines (" + owner + ", address " + integer +
                      " NOT NULL, size " + integer + " NOT NULL, line " + integer +
                      " NOT NULL, source_number " + integer + " NOT NULL)"
               << "CREATE TABLE symbol_publics (" + owner + ", address " + integer +
                      " NOT NULL, name TEXT NOT NULL)"
               << "CREATE TABLE symbol_rules (" + owner + ", address " + integer +
                      " NOT NULL, size " + integer + " NOT NULL, rules TEXT NOT NULL)";
    for (const char* table : {"symbol_functions", "symbol_lines", "symbol_publics", "symbol_rules"})
        statements << QByteArray("CREATE INDEX ") + table + "_address ON " + table +
                          "(symbol_file_id, address)";
    return statements;
}

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
    if (ready)
        ready = upgrade(error);
    const bool finished = ready ? query.exec(QStringLiteral("COMMIT"))
                                : (query.exec(QStringLiteral("ROLLBACK")), false);
    if (ready && !finished)
        error = failure(QStringLiteral("the database cannot be written"), query.lastError());
    return finished;
}

bool InboxDatabase::upgrade(QString& error)
{
    const std::optional<int> version = storedVersion(error);
    if (!version)
        return false;
    QSqlQuery query(connection());
    const auto run = [&](const QByteArray& statement) {
        if (query.exec(QString::fromUtf8(statement)))
            return true;
        error = failure(
            QStringLiteral("the database cannot be brought up to version %1").arg(SchemaVersion),
            query.lastError());
        return false;
    };
    if (*version < 2) {
        for (const QByteArray& statement : upgradeToVersion2(isPostgres()))
            if (!run(statement))
                return false;
    }
    return *version == SchemaVersion ||
           run("UPDATE inbox_schema SET version = " + QByteArray::number(SchemaVersion));
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
    // Made as version 1 was, then brought up to date step by step.
    return run("INSERT INTO inbox_schema (version) VALUES (1)");
}
