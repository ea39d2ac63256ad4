#include "stack_walker.h"

#include "call_frame_rules.h"
#include "crash_analysis/symbols/symbol_lookup.h"

namespace CrashAnalysis {

namespace {

// How far above the stack pointer a scan looks for a return address.
constexpr quint64 ScanWords = 128;
// The bits of an arm64 address; above them a pointer authentication code may sit.
constexpr quint64 PointerBits = 0x0000ffffffffffffULL;

struct Caller {
    Registers registers;
    FrameTrust trust;
};

class Walker
{
public:
    Walker(const CrashingThread& thread, const QList<DumpModule>& modules, SymbolLookup* symbols)
        : m_thread(thread)
        , m_modules(modules)
        , m_symbols(symbols)
        , m_names(registerNames(thread.cpu))
        , m_wordBytes(wordSize(thread.cpu))
    {}

    QList<WalkedFrame> walk();

private:
    const DumpModule* moduleAt(quint64 address) const
    {
        for (const DumpModule& module : m_modules)
            if (module.contains(address))
                return &module;
        return nullptr;
    }
    std::optional<quint64> value(const Registers& registers, const QString& name) const
    {
        return registerValue(registers, name);
    }
    std::optional<Caller> byRules(const Registers& callee, quint64 lookup) const;
    std::optional<Caller> byFramePointer(const Registers& callee) const;
    std::optional<Caller> byScan(const Registers& callee) const;
    bool isReturnAddress(quint64 address) const;
    bool isPlausible(std::optional<Caller>& caller, const Registers& callee) const;

    const CrashingThread& m_thread;
    const QList<DumpModule>& m_modules;
    SymbolLookup* m_symbols;
    RegisterNames m_names;
    quint32 m_wordBytes;
};

QList<WalkedFrame> Walker::walk()
{
    QList<WalkedFrame> frames;
    Registers registers = m_thread.registers;
    const auto first = value(registers, m_names.instruction);
    if (!first)
        return frames;
    frames.append({*first, FrameTrust::Context});
    while (frames.size() < MaximumFrames) {
        const bool isFirst = frames.size() == 1;
        // A caller's return address lies after its call: the call is what is looked up.
        const quint64 lookup = frames.constLast().instruction - (isFirst ? 0 : 1);
        // Each way in turn, until one finds a caller that makes sense.
        std::optional<Caller> caller = byRules(registers, lookup);
        if (!isPlausible(caller, registers))
            caller = byFramePointer(registers);
        if (!isPlausible(caller, registers))
            caller = byScan(registers);
        if (!isPlausible(caller, registers))
            break;
        const quint64 instruction = *value(caller->registers, m_names.instruction);
        frames.append({instruction, caller->trust});
        registers = caller->registers;
    }
    return frames;
}

std::optional<Caller> Walker::byRules(const Registers& callee, quint64 lookup) const
{
    const DumpModule* module = moduleAt(lookup);
    if (!m_symbols || !module)
        return std::nullopt;
    const QString rules = m_symbols->callFrameRules(*module, lookup - module->base);
    if (rules.isEmpty())
        return std::nullopt;
    auto registers =
        callerByRules(rules, lookup - module->base, m_thread.cpu, callee, m_thread.stack);
    if (!registers)
        return std::nullopt;
    return Caller{*registers, FrameTrust::CallFrameInfo};
}

std::optional<Caller> Walker::byFramePointer(const Registers& callee) const
{
    const auto frame = value(callee, m_names.frame);
    if (frame && *frame == 0 && !m_names.link.isEmpty()) {
        // arm64 at the end of its frame records still returns through its link register.
        const auto link = value(callee, m_names.link);
        const auto stack = value(callee, m_names.stack);
        if (!link || !stack)
            return std::nullopt;
        Registers caller;
        setRegister(caller, m_names.instruction, *link);
        setRegister(caller, m_names.stack, *stack);
        setRegister(caller, m_names.frame, 0);
        setRegister(caller, m_names.link, 0);
        return Caller{caller, FrameTrust::FramePointer};
    }
    if (!frame || *frame == 0)
        return std::nullopt;
    const auto savedFrame = m_thread.stack.word(*frame, m_wordBytes);
    auto savedReturn = m_thread.stack.word(*frame + m_wordBytes, m_wordBytes);
    if (!savedFrame || !savedReturn)
        return std::nullopt;
    if (m_thread.cpu == Cpu::Arm64)
        *savedReturn &= PointerBits;
    Registers caller;
    setRegister(caller, m_names.frame, *savedFrame);
    setRegister(caller, m_names.stack, *frame + 2 * m_wordBytes);
    if (m_names.link.isEmpty()) {
        setRegister(caller, m_names.instruction, *savedReturn);
    } else {
        // arm64 returns through its link register; the frame record keeps the caller's own.
        const auto link = value(callee, m_names.link);
        if (!link)
            return std::nullopt;
        setRegister(caller, m_names.instruction, *link);
        setRegister(caller, m_names.link, *savedReturn);
    }
    const auto instruction = value(caller, m_names.instruction);
    if (!instruction || !isReturnAddress(*instruction))
        return std::nullopt;
    return Caller{caller, FrameTrust::FramePointer};
}

std::optional<Caller> Walker::byScan(const Registers& callee) const
{
    const auto stack = value(callee, m_names.stack);
    if (!stack)
        return std::nullopt;
    const quint64 from = *stack;
    for (quint64 slot = 0; slot < ScanWords; ++slot) {
        const quint64 address = from + slot * m_wordBytes;
        auto word = m_thread.stack.word(address, m_wordBytes);
        if (!word)
            return std::nullopt;
        if (m_thread.cpu == Cpu::Arm64)
            *word &= PointerBits;
        if (!isReturnAddress(*word))
            continue;
        Registers caller;
        setRegister(caller, m_names.instruction, *word);
        setRegister(caller, m_names.stack, address + m_wordBytes);
        if (const auto frame = value(callee, m_names.frame))
            setRegister(caller, m_names.frame, *frame);
        return Caller{caller, FrameTrust::Scan};
    }
    return std::nullopt;
}

// A caller lies higher on the stack and returns into a module; only arm64's callers, which
// return through the link register, may share the stack pointer.
bool Walker::isPlausible(std::optional<Caller>& caller, const Registers& callee) const
{
    if (!caller)
        return false;
    // arm64 return addresses may carry a pointer authentication code in their top bits.
    if (m_thread.cpu == Cpu::Arm64) {
        if (const auto address = value(caller->registers, m_names.instruction))
            setRegister(caller->registers, m_names.instruction, *address & PointerBits);
    }
    // arm64 returning through its link register stays on the same stack pointer.
    const bool throughLink = !m_names.link.isEmpty() && caller->trust != FrameTrust::Scan;
    const auto instruction = value(caller->registers, m_names.instruction);
    const auto stack = value(caller->registers, m_names.stack);
    const auto calleeStack = value(callee, m_names.stack);
    if (!instruction || *instruction == 0 || !moduleAt(*instruction) || !stack || !calleeStack)
        return false;
    return *stack > *calleeStack || (*stack == *calleeStack && throughLink);
}

// Inside a module, and inside one of its functions when its symbols are known.
bool Walker::isReturnAddress(quint64 address) const
{
    const DumpModule* module = moduleAt(address);
    if (!module || address == module->base)
        return false;
    if (!m_symbols || !m_symbols->hasSymbols(*module))
        return true;
    return m_symbols->name(*module, address - 1 - module->base).has_value();
}

} // namespace

QString trustName(FrameTrust trust)
{
    switch (trust) {
    case FrameTrust::Context:
        return QStringLiteral("context");
    case FrameTrust::CallFrameInfo:
        return QStringLiteral("cfi");
    case FrameTrust::FramePointer:
        return QStringLiteral("frame pointer");
    case FrameTrust::Scan:
        return QStringLiteral("scan");
    }
    return {};
}

FrameTrust trustFromName(const QString& name)
{
    for (const FrameTrust trust :
         {FrameTrust::Context, FrameTrust::CallFrameInfo, FrameTrust::FramePointer})
        if (name == trustName(trust))
            return trust;
    return FrameTrust::Scan;
}

QList<WalkedFrame> walkStack(const CrashingThread& thread, const QList<DumpModule>& modules,
                             SymbolLookup* symbols)
{
    return Walker(thread, modules, symbols).walk();
}

} // namespace CrashAnalysis
