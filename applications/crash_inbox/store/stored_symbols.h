#pragma once

#include "crash_analysis/symbols/symbol_lookup.h"

#include <QHash>

class InboxDatabase;
class QSqlQuery;

// The symbols the desk keeps, as a crash's stack walk and its frames look them up. A database
// error ends the answers: error() then says it, and the caller must not keep what it found.
class StoredSymbols : public CrashAnalysis::SymbolLookup
{
public:
    explicit StoredSymbols(InboxDatabase& database);

    bool hasSymbols(const CrashAnalysis::DumpModule& module) override;
    std::optional<CrashAnalysis::SymbolicName> name(const CrashAnalysis::DumpModule& module,
                                                    quint64 offset) override;
    QString callFrameRules(const CrashAnalysis::DumpModule& module, quint64 offset) override;

    QString error() const { return m_error; }

private:
    std::optional<qint64> fileOf(const CrashAnalysis::DumpModule& module);
    // The record of the table nearest at or below the offset; false when there is none.
    bool nearest(QSqlQuery& query, const char* table, const char* columns, qint64 file,
                 quint64 offset, bool sized = false);
    bool failed(const QSqlQuery& query);

    InboxDatabase& m_database;
    QHash<QString, std::optional<qint64>> m_files; // by debug file and identifier
    QString m_error;
};
