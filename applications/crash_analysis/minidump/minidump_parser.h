#pragma once

#include "dump_facts.h"

namespace CrashAnalysis {

class DumpBytes;

struct MinidumpParse {
    std::optional<DumpFacts> facts;
    QString problem; // why there are no facts, said of the dump: "is no minidump"
};

// The facts that the held bytes of a minidump give. What is not held is left out and noted as
// wanted by the bytes, so that a streaming reader can keep it on its way past and ask again.
MinidumpParse parseMinidump(const DumpBytes& bytes);

// How much of the crashing thread's stack is kept, from its stack pointer up.
inline constexpr quint32 StackWindowBytes = 32 * 1024;

} // namespace CrashAnalysis
