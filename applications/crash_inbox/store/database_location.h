#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Where the inbox's database is: a SQLite file (the default, for one desk) or a PostgreSQL
// database that several service technicians share.
struct DatabaseLocation {
    enum class Engine { Sqlite, Postgres };

    Engine engine = Engine::Sqlite;
    QString path; // SQLite
    QString host; // PostgreSQL: a host name, or the folder of a local socket
    int port = -1;
    QString user;
    QString password;
    QString database;
    // libpq's other parameters (connect_timeout, sslmode, …), "key=value" each.
    QStringList options;

    // For messages: never the password.
    QString describe() const;
};

// A file path, "sqlite:PATH", or a PostgreSQL URL in libpq's form
// (postgresql://user@host:port/db?param=value&…: host and port there win over the URL's own,
// ?host=/socket/folder names a local socket, every other parameter goes to libpq as it is).
// Null with the reason when the text is none of these; the reason never holds a password.
std::optional<DatabaseLocation> parseDatabaseLocation(const QString& text, QString& error);

// $XDG_DATA_HOME/Varnel Professional/Crash Inbox/inbox.sqlite, or what
// Q5_CRASH_INBOX_DATABASE names.
QString defaultDatabaseText();
// The desk's own folder for what it keeps: "<data folder>/Varnel Professional/Crash Inbox".
QString deskDataFolder();

// The text with any password in it replaced, fit for a message.
QString withoutPassword(const QString& databaseText);
