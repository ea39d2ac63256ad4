#include "symbol_store.h"

#include "inbox_database.h"
#include "sql_failure.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// Keeps each record as it is read, through statements prepared once.
class RecordWriter : public CrashAnalysis::SymbolFileHandler
{
public:
    RecordWriter(const QSqlDatabase& database, QString& error)
        : m_database(database)
        , m_error(error)
    {}

    bool replaced() const { return m_replaced; }
    const CrashAnalysis::SymbolModule& symbolModule() const { return m_module; }

    bool module(const CrashAnalysis::SymbolModule& module) override;
    bool sourceFile(qint64 number, const QString& name) override
    {
        if (std::exchange(m_numbers[number], true)) {
            m_problem = QStringLiteral("it numbers two source files %1").arg(number);
            return false;
        }
        return insert(m_sources, {number, name});
    }
    QString problem() const { return m_problem; }
    bool function(quint64 address, quint64 size, const QString& name) override
    {
        return insert(m_functions, {qint64(address), qint64(size), name});
    }
    bool line(quint64 address, quint64 size, qint64 line, qint64 fileNumber) override
    {
        return insert(m_lines, {qint64(address), qint64(size), line, fileNumber});
    }
    bool publicSymbol(quint64 address, const QString& name) override
    {
        return insert(m_publics, {qint64(address), name});
    }
    bool callFrameRules(quint64 address, quint64 size, const QString& rules) override
    {
        return insert(m_rules, {qint64(address), qint64(size), rules});
    }

private:
    bool prepare(QSqlQuery& query, const char* table, const char* columns, int count);
    bool insert(QSqlQuery& query, const QVariantList& values);

    QSqlDatabase m_database;
    QString& m_error;
    QString m_problem;
    QHash<qint64, bool> m_numbers;
    CrashAnalysis::SymbolModule m_module;
    qint64 m_id = 0;
    bool m_replaced = false;
    QSqlQuery m_sources{m_database};
    QSqlQuery m_functions{m_database};
    QSqlQuery m_lines{m_database};
    QSqlQuery m_publics{m_database};
    QSqlQuery m_rules{m_database};
};

bool RecordWriter::module(const CrashAnalysis::SymbolModule& module)
{
    m_module = module;
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("DELETE FROM symbol_files WHERE debug_file = ? AND debug_id = ?"));
    query.addBindValue(module.debugFile);
    query.addBindValue(module.debugId);
    if (!query.exec()) {
        m_error = sqlFailure(QStringLiteral("the symbols cannot be kept"), query);
        return false;
    }
    m_replaced = query.numRowsAffected() > 0;
    query.prepare(QStringLiteral("INSERT INTO symbol_files (debug_file, debug_id, os, cpu, "
                                 "added_at) VALUES (?, ?, ?, ?, ?) RETURNING id"));
    query.addBindValue(module.debugFile);
    query.addBindValue(module.debugId);
    query.addBindValue(module.os);
    query.addBindValue(module.cpu);
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    if (!query.exec() || !query.next()) {
        m_error = sqlFailure(QStringLiteral("the symbols cannot be kept"), query);
        return false;
    }
    m_id = query.value(0).toLongLong();
    return prepare(m_sources, "symbol_sources", "number, name", 2) &&
           prepare(m_functions, "symbol_functions", "address, size, name", 3) &&
           prepare(m_lines, "symbol_lines", "address, size, line, source_number", 4) &&
           prepare(m_publics, "symbol_publics", "address, name", 2) &&
           prepare(m_rules, "symbol_rules", "address, size, rules", 3);
}

bool RecordWriter::prepare(QSqlQuery& query, const char* table, const char* columns, int count)
{
    if (query.prepare(QStringLiteral("INSERT INTO %1 (symbol_file_id, %2) VALUES (?%3)")
                          .arg(QLatin1String(table), QLatin1String(columns),
                               QStringLiteral(", ?").repeated(count))))
        return true;
    m_error = sqlFailure(QStringLiteral("the symbols cannot be kept"), query);
    return false;
}

bool RecordWriter::insert(QSqlQuery& query, const QVariantList& values)
{
    if (m_id == 0)
        return false;
    query.addBindValue(m_id);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (query.exec())
        return true;
    m_error = sqlFailure(QStringLiteral("the symbols cannot be kept"), query);
    return false;
}

} // namespace

SymbolStore::SymbolStore(InboxDatabase& database)
    : m_database(database)
{}

std::optional<SymbolStore::Filing> SymbolStore::add(QIODevice& file, Failure& failed)
{
    QSqlQuery query(m_database.connection());
    if (!query.exec(m_database.isPostgres() ? QStringLiteral("BEGIN")
                                            : QStringLiteral("BEGIN IMMEDIATE"))) {
        failed = {sqlFailure(QStringLiteral("the database cannot be written"), query), true};
        return std::nullopt;
    }
    QString databaseError;
    std::optional<Filing> filing;
    {
        RecordWriter writer(m_database.connection(), databaseError);
        const QString problem = CrashAnalysis::readSymbolFile(file, writer);
        if (!writer.problem().isEmpty())
            failed = {writer.problem(), false};
        else if (!databaseError.isEmpty())
            failed = {databaseError, true};
        else if (!problem.isEmpty())
            failed = {problem, false};
        else
            filing = Filing{writer.symbolModule(), writer.replaced()};
    }
    if (filing && query.exec(QStringLiteral("COMMIT")))
        return filing;
    if (filing)
        failed = {sqlFailure(QStringLiteral("the database cannot be written"), query), true};
    query.exec(QStringLiteral("ROLLBACK"));
    return std::nullopt;
}

std::optional<QList<SymbolStore::Kept>> SymbolStore::list(QString& error)
{
    QSqlQuery query(m_database.connection());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(
            "SELECT debug_file, debug_id, os, cpu, added_at, (SELECT count(*) FROM "
            "symbol_functions WHERE symbol_file_id = symbol_files.id) FROM symbol_files ORDER "
            "BY debug_file, debug_id"))) {
        error = sqlFailure(QStringLiteral("the symbols cannot be listed"), query);
        return std::nullopt;
    }
    QList<Kept> kept;
    const auto damaged = [&] {
        error = sqlFailure(QStringLiteral("the symbols cannot be listed"), query);
        return std::nullopt;
    };
    while (query.next())
        kept << Kept{{query.value(2).toString(), query.value(3).toString(),
                      query.value(1).toString(), query.value(0).toString()},
                     QDateTime::fromString(query.value(4).toString(), Qt::ISODate),
                     query.value(5).toLongLong()};
    if (query.lastError().isValid())
        return damaged();
    return kept;
}
