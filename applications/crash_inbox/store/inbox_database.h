#pragma once

#include "database_location.h"

#include <QSqlDatabase>

#include <memory>

// An open inbox database whose schema is the one this program knows: created on first use,
// upgraded from an older version, refused when a newer program made it.
class InboxDatabase
{
public:
    static constexpr int SchemaVersion = 5;
    // How long a database that another program holds is waited for: 30 seconds, or what
    // Q5_CRASH_INBOX_BUSY_SECONDS says.
    static int busySeconds();

    enum class Access {
        CreateWhenMissing,
        // An existing inbox only, read: nothing is made (show FILE needs no database).
        ExistingOnly,
    };

    // Null with the reason, a sentence, when it cannot be had.
    static std::unique_ptr<InboxDatabase> open(const DatabaseLocation& location, QString& error,
                                               Access access = Access::CreateWhenMissing);
    ~InboxDatabase();
    InboxDatabase(const InboxDatabase&) = delete;
    InboxDatabase& operator=(const InboxDatabase&) = delete;

    QSqlDatabase connection() const { return QSqlDatabase::database(m_name); }
    bool isPostgres() const { return m_location.engine == DatabaseLocation::Engine::Postgres; }
    const DatabaseLocation& location() const { return m_location; }

    // After packages were filed. SQLite's query planner chooses between indexes by statistics
    // that are gathered again once the packages grew by a tenth since (a PostgreSQL server
    // keeps its own).
    void noteFiled(qsizetype added);

private:
    InboxDatabase(const DatabaseLocation& location, QString name);
    bool connect(QString& error);
    bool prepareSchema(QString& error);
    bool createSchema(QString& error);
    bool upgrade(QString& error);
    std::optional<int> storedVersion(QString& error);
    bool isEmptySqlite(QString& error);

    DatabaseLocation m_location;
    QString m_name;
    bool m_create = true;
    qint64 m_rowsAtStatistics = -1; // not looked at yet
    qint64 m_filedSinceStatistics = 0;
};
