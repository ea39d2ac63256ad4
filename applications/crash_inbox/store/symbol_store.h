#pragma once

#include "crash_analysis/symbols/symbol_file_reader.h"

#include <QDateTime>
#include <QList>

#include <optional>

class InboxDatabase;
class QIODevice;

// The symbol files the desk keeps, record by record, each found by the debug file and
// identifier of its MODULE line (which a dump's modules carry in their CodeView records).
class SymbolStore
{
public:
    explicit SymbolStore(InboxDatabase& database);

    struct Filing {
        CrashAnalysis::SymbolModule module;
        bool replaced = false; // symbols for the same module were kept before
    };
    struct Failure {
        QString reason;
        bool database = false; // else the file is no sound symbol file
    };
    // Reads and keeps the file in one transaction, in place of what was kept for its module.
    std::optional<Filing> add(QIODevice& file, Failure& failure);

    struct Kept {
        CrashAnalysis::SymbolModule module;
        QDateTime added;
        qint64 functions = 0;
    };
    std::optional<QList<Kept>> list(QString& error);

private:
    InboxDatabase& m_database;
};
