#pragma once

#include "crash_analysis/minidump/dump_facts.h"

namespace CrashAnalysis {

// The caller's registers by a function's stack records: each rule a postfix expression over the
// callee's registers and ".cfa" ("$rsp 8 +", ".cfa -16 + ^"). The rules text is an INIT
// record's and its changes, each line "ADDRESS RULES"; those at or before the offset hold. The
// caller's stack pointer is ".cfa" and its instruction pointer ".ra". None when the rules do
// not give both.
std::optional<Registers> callerByRules(const QString& rules, quint64 offset, Cpu cpu,
                                       const Registers& callee, const StackMemory& stack);

} // namespace CrashAnalysis
