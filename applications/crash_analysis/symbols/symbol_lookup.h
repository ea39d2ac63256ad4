#pragma once

#include "crash_analysis/minidump/dump_facts.h"

#include <QString>

#include <optional>

namespace CrashAnalysis {

// Where an offset into a module lies in its source: the function (or public symbol) that holds
// it and, for a function, the line.
struct SymbolicName {
    QString function;
    quint64 functionAddress = 0;
    bool isPublic = false; // only a PUBLIC record holds it
    QString sourceFile;
    std::optional<qint64> sourceLine;
    quint64 lineAddress = 0;
};

// The symbols a desk has: looked up by the module's debug file and identifier.
class SymbolLookup
{
public:
    virtual ~SymbolLookup() = default;
    virtual bool hasSymbols(const DumpModule& module) = 0;
    virtual std::optional<SymbolicName> name(const DumpModule& module, quint64 offset) = 0;
    // The stack record rules that hold at the offset, as the symbol file reader gives them;
    // empty when none do.
    virtual QString callFrameRules(const DumpModule& module, quint64 offset) = 0;
};

} // namespace CrashAnalysis
