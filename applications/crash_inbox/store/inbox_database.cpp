#include "inbox_database.h"

#include "crash_tallies.h"
#include "inbox_schema.h"
#include "intake_tables.h"

#include "q5_suite/suite_identity.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace {

// Any number that no other program of ours uses: taken while the schema is looked at or made.
constexpr int SchemaLock = 52350;
constexpr int ConnectSeconds = 10;

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

int InboxDatabase::busySeconds()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("Q5_CRASH_INBOX_BUSY_SECONDS", &ok);
    return ok && seconds > 0 ? seconds : 30;
}

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

std::unique_ptr<InboxDatabase> InboxDatabase::open(const DatabaseLocation& location, QString& error,
                                                   Access access)
{
    std::unique_ptr<InboxDatabase> database(new InboxDatabase(location, connectionName()));
    database->m_create = access == Access::CreateWhenMissing;
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
        // A server that does not answer is given up on, not waited for without end.
        QStringList options = m_location.options;
        if (options.filter(QRegularExpression(QStringLiteral("^connect_timeout="))).isEmpty())
            options << QStringLiteral("connect_timeout=%1").arg(ConnectSeconds);
        database.setConnectOptions(options.join(QLatin1Char(';')));
    } else {
        const QString folder = QFileInfo(m_location.path).absolutePath();
        if (m_create && !ensurePathExists(folder)) {
            error = QStringLiteral("%1 cannot be made: the folder %2 cannot be created")
                        .arg(m_location.describe(), folder);
            return false;
        }
        if (!m_create && !QFileInfo::exists(m_location.path)) {
            error = QStringLiteral("%1 does not exist").arg(m_location.describe());
            return false;
        }
        database.setDatabaseName(m_location.path);
        // Other processes filing at the same moment make us wait a while, not fail.
        database.setConnectOptions(
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busySeconds() * 1000) +
            (m_create ? QString() : QStringLiteral(";QSQLITE_OPEN_READONLY")));
    }
    if (!database.open()) {
        error = failure(QStringLiteral("%1 cannot be opened").arg(m_location.describe()),
                        database.lastError());
        return false;
    }
    QSqlQuery query(database);
    // SQLite's rollback journal, not its write-ahead log: a reader that may not write the
    // folder can still read, which the log's shared-memory file would prevent.
    const bool set =
        postgres ? query.exec(QStringLiteral("SET client_min_messages TO warning")) &&
                       query.exec(QStringLiteral("SET lock_timeout TO '%1s'").arg(busySeconds()))
                 : query.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
    if (!set) {
        error = failure(QStringLiteral("%1 cannot be used").arg(m_location.describe()),
                        query.lastError());
        return false;
    }
    return true;
}

void InboxDatabase::noteFiled(qsizetype added)
{
    // A small inbox is served well without statistics.
    constexpr qint64 WorthStatistics = 10000;
    m_filedSinceStatistics += added;
    if (isPostgres() || added == 0 ||
        (m_rowsAtStatistics >= 0 && m_filedSinceStatistics * 10 < m_rowsAtStatistics))
        return;
    QSqlQuery query(connection());
    // The first number of an index's statistics is the rows of its table.
    qint64 atStatistics = -1;
    if (query.exec(
            QStringLiteral("SELECT stat FROM sqlite_stat1 WHERE tbl = 'packages' LIMIT 1")) &&
        query.next())
        atStatistics = query.value(0).toString().section(QLatin1Char(' '), 0, 0).toLongLong();
    if (!query.exec(QStringLiteral("SELECT count(*) FROM packages")) || !query.next())
        return;
    const qint64 rows = query.value(0).toLongLong();
    const bool grown = atStatistics < 0 ? rows >= WorthStatistics : rows * 10 > atStatistics * 11;
    // Statistics are a help: without them the queries are slower, never wrong.
    if (grown && query.exec(QStringLiteral("ANALYZE")))
        atStatistics = rows;
    m_rowsAtStatistics = std::max<qint64>(atStatistics, 0);
    m_filedSinceStatistics = 0;
}

bool InboxDatabase::isEmptySqlite(QString& error)
{
    QSqlQuery query(connection());
    if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !query.next()) {
        error = failure(QStringLiteral("the database cannot be read"), query.lastError());
        return false;
    }
    if (query.value(0).toInt() == 0)
        return true;
    error = QStringLiteral("%1 holds tables of another program, and no crash inbox")
                .arg(m_location.describe());
    return false;
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
    if (!isPostgres()) {
        const std::optional<int> version = storedVersion(error);
        if (!version)
            return false;
        if (*version == SchemaVersion)
            return true;
        // Another program's database is not made into an inbox.
        if (*version == 0 && !isEmptySqlite(error))
            return false;
        if (!m_create) {
            error = QStringLiteral("%1 holds no inbox of this version (schema version %2)")
                        .arg(m_location.describe())
                        .arg(*version);
            return false;
        }
    }
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
    } else if (ready && *version == 0 && !m_create) {
        error = QStringLiteral("%1 holds no crash inbox").arg(m_location.describe());
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
        for (const QByteArray& statement : InboxSchema::upgradeToVersion2(isPostgres()))
            if (!run(statement))
                return false;
        if (!InboxSchema::fillSearchWords(connection(), error))
            return false;
        for (const QByteArray& statement : InboxSchema::searchIndex(isPostgres()))
            if (!run(statement))
                return false;
    }
    if (*version < 3) {
        for (const QByteArray& statement : InboxSchema::upgradeToVersion3(isPostgres()))
            if (!run(statement))
                return false;
    }
    if (*version < 4) {
        for (const QByteArray& statement : CrashTallies::upgradeToVersion4(isPostgres()))
            if (!run(statement))
                return false;
    }
    if (*version < 5) {
        for (const QByteArray& statement : IntakeTables::upgradeToVersion5(isPostgres()))
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
    for (const char* statement : InboxSchema::version1(isPostgres()))
        if (!run(statement))
            return false;
    // Made as version 1 was, then brought up to date step by step.
    return run("INSERT INTO inbox_schema (version) VALUES (1)");
}
