#pragma once

#include "crash_analysis/minidump/dump_facts.h"
#include "crash_analysis/stack/stack_walker.h"

namespace CrashAnalysis {

class SymbolLookup;

// One frame of the crashing thread, with its symbols when the desk has them.
struct CrashFrame {
    std::optional<QString> module; // file name; none when no module holds the address
    quint64 offset = 0;            // into the module, else the address itself
    std::optional<QString> function;
    std::optional<QString> sourceFile;
    std::optional<qint64> sourceLine;
    FrameTrust trust = FrameTrust::Context;
    // "module!function [file : line + 0xN]", "module!name + 0xN", "module + 0xN" or "0xADDRESS"
    QString place;

    bool operator==(const CrashFrame&) const = default;
};

// Where the crash happened and what groups it with crashes of the same cause.
struct CrashSummary {
    std::optional<QString> module;
    std::optional<QString> moduleVersion;
    std::optional<quint64> offset;
    std::optional<QString> function;
    std::optional<QString> sourceFile;
    std::optional<qint64> sourceLine;
    QString place;
    // The crashing place (module!function, else module+0xOFFSET) and the reason.
    QString signature;
    QList<CrashFrame> frames;
};

inline constexpr char NoDumpFactsSignature[] = "no dump facts";

// Lower case, without leading zeros: "0x7ff61a2b".
QString hexAddress(quint64 value);

CrashSummary summariseCrash(const DumpFacts& facts, SymbolLookup* symbols);

} // namespace CrashAnalysis
