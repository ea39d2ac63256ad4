#include "inbox_schema.h"

#include "crash_analysis/crash_summary.h"
#include "search_words.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace InboxSchema {

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

} // namespace

QList<const char*> version1(bool postgres)
{
    if (postgres)
        return QList<const char*>(std::begin(PostgresSchema), std::end(PostgresSchema));
    return QList<const char*>(std::begin(SqliteSchema), std::end(SqliteSchema));
}

// The packages of one build on one console share one module list; the lists are found again by
// the modules they hold.
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
    // Full-text search indexes the words the inbox made of the comments and the output log
    // (fillSearchWords), never the raw text: both engines then find the same.
    statements << "ALTER TABLE packages ADD COLUMN search_words TEXT NOT NULL DEFAULT ''";
    if (postgres)
        statements << "ALTER TABLE packages DROP COLUMN search"
                   << "ALTER TABLE packages ADD COLUMN search tsvector GENERATED ALWAYS AS "
                      "(strip(to_tsvector('simple', search_words))) STORED"
                   << "CREATE INDEX packages_search ON packages USING GIN (search)";
    else
        statements << "DROP TRIGGER IF EXISTS packages_text_insert"
                   << "DROP TRIGGER IF EXISTS packages_text_delete"
                   << "DROP TABLE IF EXISTS package_text";
    // A package may be found at several places: a mail program moves its messages, a
    // technician moves a file. The first place stays in packages.file.
    statements << "CREATE TABLE package_places (package_id " + integer +
                      " NOT NULL REFERENCES packages(id) ON DELETE CASCADE, file TEXT NOT NULL, "
                      "mail_sender TEXT, mail_date TEXT, mail_offset " +
                      integer + ", added_at TEXT NOT NULL, PRIMARY KEY (package_id, file))"
               << "INSERT INTO package_places (package_id, file, mail_sender, mail_date, "
                  "added_at) SELECT id, file, mail_sender, mail_date, added_at FROM packages";
    return statements;
}

QList<QByteArray> searchIndex(bool postgres)
{
    if (postgres)
        return {};
    return {"CREATE VIRTUAL TABLE package_words USING fts5(search_words, content='packages', "
            "content_rowid='id', tokenize='unicode61 remove_diacritics 0')",
            "CREATE TRIGGER packages_words_insert AFTER INSERT ON packages BEGIN INSERT INTO "
            "package_words(rowid, search_words) VALUES (new.id, new.search_words); END",
            "CREATE TRIGGER packages_words_delete AFTER DELETE ON packages BEGIN INSERT INTO "
            "package_words(package_words, rowid, search_words) VALUES ('delete', old.id, "
            "old.search_words); END",
            "CREATE TRIGGER packages_words_update AFTER UPDATE OF search_words ON packages BEGIN "
            "INSERT INTO package_words(package_words, rowid, search_words) VALUES ('delete', "
            "old.id, old.search_words); INSERT INTO package_words(rowid, search_words) VALUES "
            "(new.id, new.search_words); END",
            "INSERT INTO package_words(package_words) VALUES ('rebuild')"};
}

QList<QByteArray> upgradeToVersion3(bool postgres)
{
    const QByteArray identity =
        postgres ? "BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY" : "INTEGER PRIMARY KEY";
    return {"CREATE TABLE crash_groups (id " + identity +
                ", signature TEXT NOT NULL UNIQUE, state TEXT NOT NULL DEFAULT 'new', fixed_in "
                "TEXT, note TEXT NOT NULL DEFAULT '', changed_at TEXT)",
            QByteArray("INSERT INTO crash_groups (signature) SELECT DISTINCT coalesce(signature, "
                       "'") +
                CrashAnalysis::NoDumpFactsSignature + "') FROM packages ORDER BY 1"};
}

bool fillSearchWords(const QSqlDatabase& database, QString& error)
{
    QSqlQuery read(database);
    read.setForwardOnly(true);
    QSqlQuery write(database);
    if (!read.exec(QStringLiteral("SELECT id, comments, output_log FROM packages")) ||
        !write.prepare(QStringLiteral("UPDATE packages SET search_words = ? WHERE id = ?"))) {
        error = QStringLiteral("the database's search words cannot be made: %1")
                    .arg(read.lastError().isValid() ? read.lastError().text()
                                                    : write.lastError().text());
        return false;
    }
    while (read.next()) {
        QStringList log;
        for (const QJsonValue& line :
             QJsonDocument::fromJson(read.value(2).toString().toUtf8()).array())
            log << line.toString();
        write.addBindValue(SearchWords::indexText(read.value(1).toString(), log));
        write.addBindValue(read.value(0));
        if (!write.exec()) {
            error = QStringLiteral("the database's search words cannot be made: %1")
                        .arg(write.lastError().text());
            return false;
        }
    }
    if (read.lastError().isValid()) {
        error = QStringLiteral("the database's search words cannot be made: %1")
                    .arg(read.lastError().text());
        return false;
    }
    return true;
}

} // namespace InboxSchema
