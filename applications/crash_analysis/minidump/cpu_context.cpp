#include "cpu_context.h"

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
    switch (cpu) {
    case Cpu::X86:
        return decodeSlots(X86Slots, context, 4);
    case Cpu::Amd64:
        return decodeSlots(Amd64Slots, context, 8);
    case Cpu::Arm64:
        return decodeArm64(context);
    case Cpu::Unknown:
        break;
    }
    return {};
}

} // namespace CrashAnalysis
