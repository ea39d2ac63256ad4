#pragma once

#include "crash_analysis/minidump/dump_facts.h"

namespace CrashAnalysis {

class SymbolLookup;

// How a frame was found, most trusted first.
enum class FrameTrust { Context, CallFrameInfo, FramePointer, Scan };

// "context", "cfi", "frame pointer", "scan"; and back, the least trusted for other names.
QString trustName(FrameTrust trust);
FrameTrust trustFromName(const QString& name);

struct WalkedFrame {
    quint64 instruction = 0; // a caller's is its return address
    FrameTrust trust = FrameTrust::Context;
};

inline constexpr qsizetype MaximumFrames = 64;

// The crashing thread's frames: the first from its context, each caller by the stack records
// of the symbols, else by the frame pointer, else by a scan of the stack for a return address
// inside a known module. The walk ends where none of these finds a caller inside a module.
QList<WalkedFrame> walkStack(const CrashingThread& thread, const QList<DumpModule>& modules,
                             SymbolLookup* symbols);

} // namespace CrashAnalysis
