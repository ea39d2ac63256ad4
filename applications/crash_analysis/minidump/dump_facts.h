#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace CrashAnalysis {

enum class Cpu { Unknown, X86, Amd64, Arm64 };

// "x86", "amd64", "arm64"; empty when unknown.
QString cpuName(Cpu cpu);
quint32 wordSize(Cpu cpu);

// One module (executable or library) of the crashed process.
struct DumpModule {
    QString path; // as the dump names it
    quint64 base = 0;
    quint64 size = 0;
    std::optional<QString> version; // "6.4.0.17", from its fixed file information
    // What finds its symbol file: the debug file's name (a PDB's, or an ELF file's own) and
    // its identifier, 33 upper-case hexadecimal digits; empty without a CodeView record.
    QString debugFile;
    QString debugId;

    // The file name alone, whichever separator the dump's system uses.
    QString name() const;
    bool contains(quint64 address) const { return address >= base && address - base < size; }

    bool operator==(const DumpModule&) const = default;
};

// A register by the name that symbol files' stack records use ("$rsp", "sp", "$eip").
struct Register {
    QString name;
    quint64 value = 0;

    bool operator==(const Register&) const = default;
};
using Registers = QList<Register>;

std::optional<quint64> registerValue(const Registers& registers, QStringView name);
void setRegister(Registers& registers, const QString& name, quint64 value);

// The names of the instruction pointer, the stack pointer and the frame pointer.
struct RegisterNames {
    QString instruction;
    QString stack;
    QString frame;
    QString link; // arm64's return address register; empty elsewhere
};
RegisterNames registerNames(Cpu cpu);

// A window of the crashing thread's stack, from its stack pointer up.
struct StackMemory {
    quint64 start = 0;
    QByteArray bytes;

    std::optional<quint64> word(quint64 address, quint32 size) const;
    bool operator==(const StackMemory&) const = default;
};

// What walking the crashing thread's stack needs, kept so that the walk can be done again once
// symbols arrive.
struct CrashingThread {
    Cpu cpu = Cpu::Unknown;
    Registers registers; // at the crash
    StackMemory stack;

    bool operator==(const CrashingThread&) const = default;
};

// What the desk reads from a dump.
struct DumpFacts {
    QString os;     // "Windows NT 10.0.19045 Service Pack 1", "Linux"; empty when unknown
    QString cpu;    // "x86", "amd64", "arm64", or the architecture's code in hex
    QString reason; // "EXCEPTION_ACCESS_VIOLATION_READ", "SIGSEGV", "0xe06d7363"; empty: none
    std::optional<quint64> address; // the data address of an access violation, else where
    CrashingThread thread;
    QList<DumpModule> modules;

    std::optional<quint64> instructionPointer() const;
    const DumpModule* moduleAt(quint64 address) const;
};

} // namespace CrashAnalysis
