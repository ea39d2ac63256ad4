// libFuzzer target: any bytes as a symbol file, every stack record's rules evaluated against a
// small stack. Reading never crashes or leaks, and ends with the file read or a reason.
#include "crash_analysis/stack/call_frame_rules.h"
#include "crash_analysis/symbols/symbol_file_reader.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

namespace {

class RulesEvaluator : public CrashAnalysis::SymbolFileHandler
{
public:
    bool module(const CrashAnalysis::SymbolModule&) override { return true; }
    bool sourceFile(qint64, const QString&) override { return true; }
    bool function(quint64, quint64, const QString&) override { return true; }
    bool line(quint64, quint64, qint64, qint64) override { return true; }
    bool publicSymbol(quint64, const QString&) override { return true; }
    bool callFrameRules(quint64 address, quint64 size, const QString& rules) override
    {
        using namespace CrashAnalysis;
        const StackMemory stack{0x1000, QByteArray(256, '\x10')};
        const Registers registers{{QStringLiteral("$rsp"), 0x1000}, {QStringLiteral("$rip"), 1}};
        callerByRules(rules, address + size / 2, Cpu::Amd64, registers, stack);
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    RulesEvaluator evaluator;
    CrashAnalysis::readSymbolFile(buffer, evaluator);
    return 0;
}
