#include "cpu_context.h"

#include <QStringList>

namespace CrashAnalysis {

namespace {

struct Slot {
    const char* name;
    quint32 offset;
};

constexpr Slot X86Slots[] = {
    {"$edi", 0x9c}, {"$esi", 0xa0}, {"$ebx", 0xa4}, {"$edx", 0xa8}, {"$ecx", 0xac},
    {"$eax", 0xb0}, {"$ebp", 0xb4}, {"$eip", 0xb8}, {"$esp", 0xc4},
};

constexpr Slot Amd64Slots[] = {
    {"$rax", 0x78}, {"$rcx", 0x80}, {"$rdx", 0x88}, {"$rbx", 0x90}, {"$rsp", 0x98}, {"$rbp", 0xa0},
    {"$rsi", 0xa8}, {"$rdi", 0xb0}, {"$r8", 0xb8},  {"$r9", 0xc0},  {"$r10", 0xc8}, {"$r11", 0xd0},
    {"$r12", 0xd8}, {"$r13", 0xe0}, {"$r14", 0xe8}, {"$r15", 0xf0}, {"$rip", 0xf8},
};

// The flags that open each context: the CPU's own bit, and which register groups it holds.
struct ContextFlags {
    quint32 cpu;
    quint32 control;
    quint32 integer;
};
constexpr ContextFlags X86Flags{0x00010000, 0x1, 0x2};
constexpr ContextFlags Amd64Flags{0x00100000, 0x1, 0x2};
constexpr ContextFlags Arm64Flags{0x00400000, 0x1, 0x2};
// Older Linux writers mark arm64 contexts with this instead.
constexpr quint32 Arm64BreakpadCpu = 0x80000000;
constexpr quint32 X86FlagsOffset = 0x00;
constexpr quint32 Amd64FlagsOffset = 0x30;
constexpr quint32 Arm64FlagsOffset = 0x00;

// The control registers (instruction, stack and frame pointers, link register).
bool isControl(const QString& name)
{
    static const QStringList Control = {
        QStringLiteral("$eip"), QStringLiteral("$esp"), QStringLiteral("$ebp"),
        QStringLiteral("$rip"), QStringLiteral("$rsp"), QStringLiteral("pc"),
        QStringLiteral("sp"),   QStringLiteral("x29"),  QStringLiteral("x30")};
    // $rbp is not among them: amd64 keeps it with the integers.
    return Control.contains(name);
}

// x0 to x30 lie from offset 8 on, then sp and pc.
constexpr quint32 Arm64GeneralRegisters = 31;
constexpr quint32 Arm64First = 0x08;
constexpr quint32 Arm64StackPointer = 0x100;
constexpr quint32 Arm64ProgramCounter = 0x108;

quint64 little(QByteArrayView bytes, quint32 offset, quint32 size)
{
    quint64 value = 0;
    for (quint32 index = size; index-- > 0;)
        value = (value << 8) | quint8(bytes.at(offset + index));
    return value;
}

template <qsizetype Count>
Registers decodeSlots(const Slot (&slots)[Count], QByteArrayView context, quint32 size)
{
    Registers registers;
    for (const Slot& slot : slots)
        registers.append({QString::fromLatin1(slot.name), little(context, slot.offset, size)});
    return registers;
}

Registers decodeArm64(QByteArrayView context)
{
    Registers registers;
    for (quint32 index = 0; index < Arm64GeneralRegisters; ++index)
        registers.append(
            {QStringLiteral("x%1").arg(index), little(context, Arm64First + 8 * index, 8)});
    registers.append({QStringLiteral("sp"), little(context, Arm64StackPointer, 8)});
    registers.append({QStringLiteral("pc"), little(context, Arm64ProgramCounter, 8)});
    return registers;
}

} // namespace

quint32 contextSize(Cpu cpu)
{
    switch (cpu) {
    case Cpu::X86:
        return 0xc8;
    case Cpu::Amd64:
        return 0x100;
    case Cpu::Arm64:
        return 0x110;
    case Cpu::Unknown:
        break;
    }
    return 0;
}

Registers decodeContext(Cpu cpu, QByteArrayView context)
{
    if (cpu == Cpu::Unknown || quint64(context.size()) < contextSize(cpu))
        return {};
    const ContextFlags expected = cpu == Cpu::X86     ? X86Flags
                                  : cpu == Cpu::Amd64 ? Amd64Flags
                                                      : Arm64Flags;
    const quint32 flagsOffset = cpu == Cpu::X86     ? X86FlagsOffset
                                : cpu == Cpu::Amd64 ? Amd64FlagsOffset
                                                    : Arm64FlagsOffset;
    const auto flags = quint32(little(context, flagsOffset, 4));
    const bool ofThisCpu =
        (flags & expected.cpu) != 0 || (cpu == Cpu::Arm64 && (flags & Arm64BreakpadCpu) != 0);
    if (!ofThisCpu || (flags & expected.control) == 0)
        return {};
    Registers registers;
    switch (cpu) {
    case Cpu::X86:
        registers = decodeSlots(X86Slots, context, 4);
        break;
    case Cpu::Amd64:
        registers = decodeSlots(Amd64Slots, context, 8);
        break;
    case Cpu::Arm64:
        registers = decodeArm64(context);
        break;
    case Cpu::Unknown:
        break;
    }
    // Without the integer group only the control registers are known (amd64 keeps its frame
    // pointer with the integers).
    if ((flags & expected.integer) == 0)
        registers.removeIf([](const Register& entry) { return !isControl(entry.name); });
    return registers;
}

} // namespace CrashAnalysis
