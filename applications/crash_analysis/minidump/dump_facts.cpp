#include "dump_facts.h"

namespace CrashAnalysis {

QString cpuName(Cpu cpu)
{
    switch (cpu) {
    case Cpu::X86:
        return QStringLiteral("x86");
    case Cpu::Amd64:
        return QStringLiteral("amd64");
    case Cpu::Arm64:
        return QStringLiteral("arm64");
    case Cpu::Unknown:
        break;
    }
    return {};
}

quint32 wordSize(Cpu cpu)
{
    return cpu == Cpu::X86 ? 4 : 8;
}

QString DumpModule::name() const
{
    const qsizetype slash =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

std::optional<quint64> registerValue(const Registers& registers, QStringView name)
{
    for (const Register& candidate : registers)
        if (candidate.name == name)
            return candidate.value;
    return std::nullopt;
}

void setRegister(Registers& registers, const QString& name, quint64 value)
{
    for (Register& candidate : registers) {
        if (candidate.name == name) {
            candidate.value = value;
            return;
        }
    }
    registers.append({name, value});
}

RegisterNames registerNames(Cpu cpu)
{
    switch (cpu) {
    case Cpu::X86:
        return {QStringLiteral("$eip"), QStringLiteral("$esp"), QStringLiteral("$ebp"), {}};
    case Cpu::Amd64:
        return {QStringLiteral("$rip"), QStringLiteral("$rsp"), QStringLiteral("$rbp"), {}};
    case Cpu::Arm64:
        return {QStringLiteral("pc"), QStringLiteral("sp"), QStringLiteral("x29"),
                QStringLiteral("x30")};
    case Cpu::Unknown:
        break;
    }
    return {};
}

std::optional<quint64> StackMemory::word(quint64 address, quint32 size) const
{
    if (address < start || address - start > quint64(bytes.size()) ||
        quint64(bytes.size()) - (address - start) < size)
        return std::nullopt;
    quint64 value = 0;
    const qsizetype at = qsizetype(address - start);
    for (quint32 index = size; index-- > 0;)
        value = (value << 8) | quint8(bytes.at(at + index));
    return value;
}

std::optional<quint64> DumpFacts::instructionPointer() const
{
    return registerValue(thread.registers, registerNames(thread.cpu).instruction);
}

const DumpModule* DumpFacts::moduleAt(quint64 address) const
{
    for (const DumpModule& module : modules)
        if (module.contains(address))
            return &module;
    return nullptr;
}

} // namespace CrashAnalysis
