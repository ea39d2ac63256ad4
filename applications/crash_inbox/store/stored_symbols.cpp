#include "stored_symbols.h"

#include "inbox_database.h"

#include <QSqlError>
#include <QSqlQuery>

using CrashAnalysis::DumpModule;

StoredSymbols::StoredSymbols(InboxDatabase& database)
    : m_database(database)
{}

bool StoredSymbols::failed(const QSqlQuery& query)
{
    m_error = QStringLiteral("the symbols cannot be read: %1").arg(query.lastError().text());
    return false;
}

std::optional<qint64> StoredSymbols::fileOf(const DumpModule& module)
{
    if (!m_error.isEmpty() || module.debugId.isEmpty())
        return std::nullopt;
    const QString key = module.debugFile + QLatin1Char('\n') + module.debugId;
    if (const auto known = m_files.constFind(key); known != m_files.cend())
        return *known;
    QSqlQuery query(m_database.connection());
    // Windows takes a PDB's name in any case; the build's symbol file may write it otherwise.
    query.prepare(QStringLiteral(
        "SELECT id FROM symbol_files WHERE lower(debug_file) = lower(?) AND debug_id = ?"));
    query.addBindValue(module.debugFile);
    query.addBindValue(module.debugId);
    if (!query.exec())
        return failed(query), std::nullopt;
    const std::optional<qint64> file =
        query.next() ? std::optional(query.value(0).toLongLong()) : std::nullopt;
    m_files.insert(key, file);
    return file;
}

bool StoredSymbols::nearest(QSqlQuery& query, const char* table, const char* columns, qint64 file,
                            quint64 offset, bool sized)
{
    // A record of no size (an empty function) holds nothing and would hide the one around it.
    query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE symbol_file_id = ? AND address <= ? "
                                 "%3ORDER BY address DESC LIMIT 1")
                      .arg(QLatin1String(columns), QLatin1String(table),
                           sized ? QStringLiteral("AND size > 0 ") : QString()));
    query.addBindValue(file);
    query.addBindValue(qint64(offset));
    if (!query.exec())
        return failed(query);
    return query.next();
}

bool StoredSymbols::hasSymbols(const DumpModule& module)
{
    return fileOf(module).has_value();
}

std::optional<CrashAnalysis::SymbolicName> StoredSymbols::name(const DumpModule& module,
                                                               quint64 offset)
{
    const std::optional<qint64> file = fileOf(module);
    if (!file)
        return std::nullopt;
    QSqlQuery query(m_database.connection());
    CrashAnalysis::SymbolicName name;
    const auto holds = [&] {
        return offset - quint64(query.value(0).toLongLong()) < quint64(query.value(1).toLongLong());
    };
    if (nearest(query, "symbol_functions", "address, size, name", *file, offset, true) && holds()) {
        name.function = query.value(2).toString();
        name.functionAddress = quint64(query.value(0).toLongLong());
        if (nearest(query, "symbol_lines", "address, size, line, source_number", *file, offset,
                    true) &&
            holds() && quint64(query.value(0).toLongLong()) >= name.functionAddress) {
            name.sourceLine = query.value(2).toLongLong();
            name.lineAddress = quint64(query.value(0).toLongLong());
            const qint64 number = query.value(3).toLongLong();
            query.prepare(QStringLiteral(
                "SELECT name FROM symbol_sources WHERE symbol_file_id = ? AND number = ?"));
            query.addBindValue(*file);
            query.addBindValue(number);
            if (!query.exec())
                return failed(query), std::nullopt;
            if (query.next())
                name.sourceFile = query.value(0).toString();
        }
        return m_error.isEmpty() ? std::optional(name) : std::nullopt;
    }
    if (!m_error.isEmpty())
        return std::nullopt;
    if (!nearest(query, "symbol_publics", "address, name", *file, offset))
        return std::nullopt;
    name.function = query.value(1).toString();
    name.functionAddress = quint64(query.value(0).toLongLong());
    name.isPublic = true;
    return name;
}

QString StoredSymbols::callFrameRules(const DumpModule& module, quint64 offset)
{
    const std::optional<qint64> file = fileOf(module);
    QSqlQuery query(m_database.connection());
    if (!file || !nearest(query, "symbol_rules", "address, size, rules", *file, offset, true))
        return {};
    if (offset - quint64(query.value(0).toLongLong()) >= quint64(query.value(1).toLongLong()))
        return {};
    return query.value(2).toString();
}
