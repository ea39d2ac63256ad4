#pragma once

#include "dump_facts.h"

#include <QByteArrayView>

namespace CrashAnalysis {

// The bytes of a thread context that hold the registers decode() needs.
quint32 contextSize(Cpu cpu);

// The registers of a thread context of the CPU (Windows' CONTEXT layouts, which Linux
// minidump writers share), named as stack records name them; empty when too short.
Registers decodeContext(Cpu cpu, QByteArrayView context);

} // namespace CrashAnalysis
