#include "minidump_writer.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace {

struct SimulatedModule {
    const char* name;
    const char* pdb;
    quint64 base;
    quint32 size;
    std::array<quint16, 4> version; // none when 0.0.0.0: no fixed file information
};

constexpr SimulatedModule Modules[] = {
    {"q5controller.exe", "q5controller.pdb", 0x7ff64a2c0000, 0x01200000, {0, 0, 0, 0}},
    {"Qt6Core.dll", "Qt6Core.pdb", 0x7ffc1b400000, 0x00600000, {6, 8, 0, 0}},
    {"Qt6Gui.dll", "Qt6Gui.pdb", 0x7ffc1ba00000, 0x00900000, {6, 8, 0, 0}},
    {"ucrtbase.dll", "ucrtbase.pdb", 0x7ffc2c100000, 0x00100000, {10, 0, 19041, 3636}},
    {"KERNEL32.DLL", "kernel32.pdb", 0x7ffc2e200000, 0x000c0000, {10, 0, 19041, 3996}},
    {"ntdll.dll", "ntdll.pdb", 0x7ffc2f800000, 0x001f8000, {10, 0, 19041, 3996}},
};

struct ReasonCode {
    const char* name;
    quint32 code;
    std::optional<quint64> access; // an access violation's first parameter
};

constexpr ReasonCode Reasons[] = {
    {"EXCEPTION_ACCESS_VIOLATION_READ", 0xc0000005, 0},
    {"EXCEPTION_ACCESS_VIOLATION_WRITE", 0xc0000005, 1},
    {"EXCEPTION_ACCESS_VIOLATION_EXEC", 0xc0000005, 8},
    {"EXCEPTION_INT_DIVIDE_BY_ZERO", 0xc0000094, {}},
    {"EXCEPTION_STACK_OVERFLOW", 0xc00000fd, {}},
    {"EXCEPTION_BREAKPOINT", 0x80000003, {}},
    {"EXCEPTION_ILLEGAL_INSTRUCTION", 0xc000001d, {}},
    {"STATUS_STACK_BUFFER_OVERRUN", 0xc0000409, {}},
};

constexpr quint32 ThreadId = 0x1d3c;
constexpr quint64 StackBase = 0x000000e1c7f3f000;
constexpr quint32 StackBytes = 4096;
constexpr quint32 ContextBytes = 1232;
constexpr quint64 MemoryStart = 0x0000021f00000000;
constexpr quint64 FaultAddress = 0x10;

// Little-endian writing into a growing dump; sizes and offsets patched once known.
class DumpWriter
{
public:
    quint32 offset() const { return quint32(m_bytes.size()); }
    void u16(quint16 value) { put(value); }
    void u32(quint32 value) { put(value); }
    void u64(quint64 value) { put(value); }
    void bytes(const QByteArray& bytes) { m_bytes.append(bytes); }
    void zeros(qsizetype count) { m_bytes.append(count, '\0'); }
    void patch32(quint32 at, quint32 value) { qToLittleEndian(value, m_bytes.data() + at); }
    void patch64(quint32 at, quint64 value) { qToLittleEndian(value, m_bytes.data() + at); }
    quint32 string(const QString& text)
    {
        const quint32 at = offset();
        u32(quint32(text.size() * 2));
        for (const QChar c : text)
            u16(c.unicode());
        u16(0);
        return at;
    }
    QByteArray take() { return std::move(m_bytes); }

private:
    template <typename T>
    void put(T value)
    {
        char raw[sizeof(T)];
        qToLittleEndian(value, raw);
        m_bytes.append(raw, sizeof(T));
    }
    QByteArray m_bytes;
};

const SimulatedModule* moduleNamed(const QString& name)
{
    for (const SimulatedModule& module : Modules)
        if (name.compare(QLatin1String(module.name), Qt::CaseInsensitive) == 0)
            return &module;
    return nullptr;
}

// A GUID that stays the same for a module's name, as it would for one build.
QByteArray guidOf(const char* name)
{
    return QCryptographicHash::hash(name, QCryptographicHash::Md5);
}

void writeModules(DumpWriter& dump, const SimulatedCrashSite& site)
{
    const quint32 list = dump.offset();
    dump.u32(std::size(Modules));
    for (const SimulatedModule& module : Modules) {
        dump.u64(module.base);
        dump.u32(module.size);
        dump.u32(0);          // checksum
        dump.u32(0x6571c3a2); // time stamp
        dump.u32(0);          // name, patched
        auto version = module.version;
        if (QLatin1String(module.name) == QLatin1String("q5controller.exe"))
            version = {site.controllerVersion[0], site.controllerVersion[1],
                       site.controllerVersion[2], site.controllerVersion[3]};
        const bool hasVersion = version != std::array<quint16, 4>{};
        dump.u32(hasVersion ? 0xfeef04bd : 0);
        dump.u32(0x00010000);
        dump.u32(quint32(version[0]) << 16 | version[1]);
        dump.u32(quint32(version[2]) << 16 | version[3]);
        dump.zeros(52 - 16);
        dump.zeros(8 + 8 + 16); // CodeView record (patched), misc record, reserved
    }
    for (qsizetype index = 0; index < qsizetype(std::size(Modules)); ++index) {
        const SimulatedModule& module = Modules[index];
        const quint32 entry = list + 4 + quint32(index) * 108;
        dump.patch32(entry + 20, dump.string(QStringLiteral("C:\\Program Files\\Varnel\\Q5\\") +
                                             QLatin1String(module.name)));
        const quint32 record = dump.offset();
        dump.bytes("RSDS");
        dump.bytes(guidOf(module.name));
        dump.u32(1);
        dump.bytes(QByteArray("D:\\build\\") + module.pdb + '\0');
        dump.patch32(entry + 76, dump.offset() - record);
        dump.patch32(entry + 80, record);
    }
}

// Two frames of the controller above the crash, each a saved frame pointer and return address.
QByteArray stackMemory(quint64 stackPointer)
{
    QByteArray stack(StackBytes, '\0');
    const quint64 controller = Modules[0].base;
    const auto put = [&](quint64 address, quint64 value) {
        qToLittleEndian(value, stack.data() + (address - stackPointer));
    };
    const quint64 first = stackPointer + 0x40;
    const quint64 second = stackPointer + 0x180;
    put(first, second);
    put(first + 8, controller + 0x2f4c1);
    put(second, 0);
    put(second + 8, controller + 0x4e1a7);
    return stack;
}

void writeContext(DumpWriter& dump, quint64 instruction, quint64 stackPointer)
{
    const quint32 at = dump.offset();
    dump.zeros(ContextBytes);
    dump.patch32(at + 0x30, 0x0010001f);
    dump.patch64(at + 0x98, stackPointer);
    dump.patch64(at + 0xa0, stackPointer + 0x40);
    dump.patch64(at + 0xf8, instruction);
}

} // namespace

QStringList simulatedModuleNames()
{
    QStringList names;
    for (const SimulatedModule& module : Modules)
        names << QLatin1String(module.name);
    return names;
}

std::optional<SimulatedCrashSite> parseCrashSite(const QString& text)
{
    const qsizetype plus = text.lastIndexOf(QLatin1Char('+'));
    if (plus <= 0)
        return std::nullopt;
    const SimulatedModule* module = moduleNamed(text.left(plus));
    QString number = text.mid(plus + 1);
    if (number.startsWith(QLatin1String("0x")))
        number = number.mid(2);
    bool ok = false;
    const quint64 offset = number.toULongLong(&ok, 16);
    if (!module || !ok || offset >= module->size)
        return std::nullopt;
    SimulatedCrashSite site;
    site.module = QLatin1String(module->name);
    site.offset = offset;
    return site;
}

bool isKnownReason(const QString& reason)
{
    for (const ReasonCode& known : Reasons)
        if (reason == QLatin1String(known.name))
            return true;
    return false;
}

QByteArray minidumpHead(const SimulatedCrashSite& site, quint64 memoryBytes)
{
    const SimulatedModule* crashed = moduleNamed(site.module);
    const quint64 instruction = (crashed ? crashed->base : Modules[0].base) + site.offset;
    ReasonCode reason = Reasons[0];
    for (const ReasonCode& known : Reasons)
        if (site.reason == QLatin1String(known.name))
            reason = known;
    const quint64 stackPointer = StackBase - StackBytes;

    DumpWriter dump;
    constexpr quint32 Streams = 5;
    dump.bytes("MDMP");
    dump.u32(0xa793);
    dump.u32(Streams);
    dump.u32(32);
    dump.u32(0);
    dump.u32(0x6571c3a2);
    dump.u64(0x21); // with data segments and full memory
    const quint32 directory = dump.offset();
    dump.zeros(Streams * 12);
    const auto stream = [&](int index, quint32 type, quint32 start) {
        dump.patch32(directory + 12 * index, type);
        dump.patch32(directory + 12 * index + 4, dump.offset() - start);
        dump.patch32(directory + 12 * index + 8, start);
    };

    quint32 start = dump.offset();
    dump.u16(9); // amd64
    dump.u16(6);
    dump.u16(0x9e0a);
    dump.bytes(QByteArray("\x08\x01", 2));
    dump.u32(10);
    dump.u32(0);
    dump.u32(19045);
    dump.u32(2); // Windows NT
    const quint32 servicePack = dump.offset();
    dump.u32(0);
    dump.zeros(4 + 24);
    stream(0, 7, start);
    dump.patch32(servicePack, dump.string({}));

    const quint32 context = dump.offset();
    writeContext(dump, instruction, stackPointer);
    const quint32 stack = dump.offset();
    dump.bytes(stackMemory(stackPointer));

    start = dump.offset();
    dump.u32(1);
    dump.u32(ThreadId);
    dump.zeros(12);
    dump.u64(0x000000e1c6a41000); // TEB
    dump.u64(stackPointer);
    dump.u32(StackBytes);
    dump.u32(stack);
    dump.u32(ContextBytes);
    dump.u32(context);
    stream(1, 3, start);

    start = dump.offset();
    writeModules(dump, site);
    stream(2, 4, start);
    // The module list runs on past its entries into their names; its stream is the entries.
    dump.patch32(directory + 12 * 2 + 4, 4 + std::size(Modules) * 108);

    start = dump.offset();
    dump.u32(ThreadId);
    dump.u32(0);
    dump.u32(reason.code);
    dump.u32(reason.code == 0xc0000409 ? 1 : 0);
    dump.u64(0);
    dump.u64(instruction);
    const quint32 parameters = reason.access ? 2 : 0;
    dump.u32(parameters);
    dump.u32(0);
    dump.u64(reason.access.value_or(0));
    dump.u64(reason.access ? FaultAddress : 0);
    dump.zeros(13 * 8);
    dump.u32(ContextBytes);
    dump.u32(context);
    stream(3, 6, start);

    start = dump.offset();
    dump.u64(memoryBytes > 0 ? 1 : 0);
    const quint32 base = dump.offset();
    dump.u64(0);
    if (memoryBytes > 0) {
        dump.u64(MemoryStart);
        dump.u64(memoryBytes);
    }
    stream(4, 9, start);
    dump.patch64(base, dump.offset());
    return dump.take();
}
