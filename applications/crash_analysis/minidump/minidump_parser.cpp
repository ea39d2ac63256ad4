#include "minidump_parser.h"

#include "cpu_context.h"
#include "dump_bytes.h"
#include "exception_reason.h"
#include "minidump_layout.h"

namespace CrashAnalysis {

namespace {

namespace Layout = MinidumpLayout;

// Bounds no dump of a real process comes near; past them the rest is not read.
constexpr quint32 MaximumStreams = 4096;
constexpr quint32 MaximumModules = 4096;
constexpr quint32 MaximumThreads = 65536;
constexpr quint64 MaximumMemoryRanges = 1 << 16;
constexpr quint32 MaximumStringBytes = 4096;
constexpr quint32 MaximumCodeViewBytes = 4096;

struct Location {
    quint64 size = 0;
    quint64 offset = 0;
};

// A stream, read only within the size its directory entry gives it.
class Stream
{
public:
    Stream(const DumpBytes& bytes, Location location)
        : m_bytes(bytes)
        , m_location(location)
    {}
    bool has(quint64 offset, quint64 size) const
    {
        return offset <= m_location.size && size <= m_location.size - offset;
    }
    template <typename Integer>
    std::optional<Integer> integer(quint64 offset) const
    {
        if (!has(offset, sizeof(Integer)))
            return std::nullopt;
        return m_bytes.integer<Integer>(m_location.offset + offset);
    }
    std::optional<Location> location(quint64 offset) const
    {
        const auto size = integer<quint32>(offset);
        const auto rva = integer<quint32>(offset + 4);
        if (!size || !rva)
            return std::nullopt;
        return Location{*size, *rva};
    }
    quint64 size() const { return m_location.size; }

private:
    const DumpBytes& m_bytes;
    Location m_location;
};

struct Directory {
    quint32 entriesRead = 0;
    std::optional<Location> systemInfo;
    std::optional<Location> exception;
    std::optional<Location> threads;
    std::optional<Location> modules;
    std::optional<Location> memory;
    std::optional<Location> memory64;
};

struct System {
    Cpu cpu = Cpu::Unknown;
    QString cpuText;
    QString os;
    DumpSystem kind = DumpSystem::Other;
};

QString hexText(quint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16);
}

QString fileName(const QString& path)
{
    const qsizetype slash =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

std::optional<QString> minidumpString(const DumpBytes& bytes, quint64 rva)
{
    const auto length = bytes.integer<quint32>(rva);
    if (!length)
        return std::nullopt;
    const quint32 kept = std::min(*length, MaximumStringBytes) & ~1U;
    const auto text = bytes.read(rva + 4, kept);
    if (!text)
        return std::nullopt;
    QString result(kept / 2, Qt::Uninitialized);
    for (quint32 index = 0; index < kept / 2; ++index)
        result[index] = QChar(
            quint16(quint8(text->at(2 * index)) | (quint16(quint8(text->at(2 * index + 1))) << 8)));
    return result;
}

Directory readDirectory(const DumpBytes& bytes, quint32 count, quint32 rva)
{
    Directory directory;
    for (quint32 index = 0; index < std::min(count, MaximumStreams); ++index) {
        const quint64 entry = quint64(rva) + quint64(index) * Layout::DirectoryEntry::Size;
        const auto type = bytes.integer<quint32>(entry + Layout::DirectoryEntry::Type);
        const auto size = bytes.integer<quint32>(entry + Layout::DirectoryEntry::Location);
        const auto offset = bytes.integer<quint32>(entry + Layout::DirectoryEntry::Location + 4);
        if (!type || !size || !offset)
            continue;
        ++directory.entriesRead;
        std::optional<Location>* slot = nullptr;
        switch (*type) {
        case Layout::SystemInfoStream:
            slot = &directory.systemInfo;
            break;
        case Layout::ExceptionStream:
            slot = &directory.exception;
            break;
        case Layout::ThreadListStream:
            slot = &directory.threads;
            break;
        case Layout::ModuleListStream:
            slot = &directory.modules;
            break;
        case Layout::MemoryListStream:
            slot = &directory.memory;
            break;
        case Layout::Memory64ListStream:
            slot = &directory.memory64;
            break;
        default:
            break;
        }
        // The first stream of a kind counts, as for Windows' own reader.
        if (slot && !*slot)
            *slot = Location{*size, *offset};
    }
    return directory;
}

Cpu cpuOf(quint16 architecture)
{
    switch (architecture) {
    case Layout::ArchitectureX86:
        return Cpu::X86;
    case Layout::ArchitectureAmd64:
        return Cpu::Amd64;
    case Layout::ArchitectureArm64:
    case Layout::ArchitectureArm64Breakpad:
        return Cpu::Arm64;
    default:
        return Cpu::Unknown;
    }
}

System readSystem(const DumpBytes& bytes, const std::optional<Location>& location)
{
    System system;
    if (!location)
        return system;
    const Stream stream(bytes, *location);
    const auto architecture = stream.integer<quint16>(Layout::SystemInfo::ProcessorArchitecture);
    if (architecture) {
        system.cpu = cpuOf(*architecture);
        system.cpuText = system.cpu != Cpu::Unknown                 ? cpuName(system.cpu)
                         : *architecture == Layout::ArchitectureArm ? QStringLiteral("arm")
                                                                    : hexText(*architecture);
    }
    const auto platform = stream.integer<quint32>(Layout::SystemInfo::PlatformId);
    if (!platform)
        return system;
    const auto major = stream.integer<quint32>(Layout::SystemInfo::MajorVersion);
    const auto minor = stream.integer<quint32>(Layout::SystemInfo::MinorVersion);
    const auto build = stream.integer<quint32>(Layout::SystemInfo::BuildNumber);
    const auto servicePackRva = stream.integer<quint32>(Layout::SystemInfo::ServicePackRva);
    switch (*platform) {
    case Layout::PlatformWindowsNt:
    case Layout::PlatformWindows9x:
    case Layout::PlatformWin32s: {
        system.kind = DumpSystem::Windows;
        system.os = *platform == Layout::PlatformWindowsNt ? QStringLiteral("Windows NT")
                                                           : QStringLiteral("Windows");
        if (major && minor && build)
            system.os += QStringLiteral(" %1.%2.%3").arg(*major).arg(*minor).arg(*build);
        const auto servicePack = servicePackRva && *servicePackRva
                                     ? minidumpString(bytes, *servicePackRva)
                                     : std::nullopt;
        if (servicePack && !servicePack->trimmed().isEmpty())
            system.os += QLatin1Char(' ') + servicePack->trimmed();
        break;
    }
    case Layout::PlatformLinux:
        system.kind = DumpSystem::Linux;
        system.os = QStringLiteral("Linux");
        break;
    case Layout::PlatformAndroid:
        system.kind = DumpSystem::Linux;
        system.os = QStringLiteral("Android");
        break;
    case Layout::PlatformMacOs:
        system.os = QStringLiteral("Mac OS X");
        break;
    case Layout::PlatformIos:
        system.os = QStringLiteral("iOS");
        break;
    case Layout::PlatformSolaris:
        system.os = QStringLiteral("Solaris");
        break;
    default:
        system.os = hexText(*platform);
        break;
    }
    return system;
}

QString hexBytes(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex().toUpper());
}

// A GUID's text: its first three fields are little-endian numbers, the rest bytes.
QString guidText(QByteArrayView guid)
{
    QString text;
    for (const auto& [from, size] : {std::pair{0, 4}, {4, 2}, {6, 2}}) {
        QByteArray field = guid.sliced(from, size).toByteArray();
        std::reverse(field.begin(), field.end());
        text += hexBytes(field);
    }
    return text + hexBytes(guid.sliced(8, 8));
}

QString nullTerminated(QByteArrayView bytes)
{
    const qsizetype end = bytes.indexOf('\0');
    return QString::fromUtf8(end < 0 ? bytes : bytes.first(end));
}

// The debug file and identifier from a CodeView record.
void readCodeView(const DumpBytes& bytes, const Location& location, DumpModule& module)
{
    if (location.size < 4 || location.size > MaximumCodeViewBytes)
        return;
    const auto record = bytes.read(location.offset, location.size);
    if (!record)
        return;
    const quint32 signature = quint32(quint8(record->at(0))) | quint32(quint8(record->at(1))) << 8 |
                              quint32(quint8(record->at(2))) << 16 |
                              quint32(quint8(record->at(3))) << 24;
    const auto number = [&](qsizetype at) {
        quint32 value = 0;
        for (qsizetype index = 4; index-- > 0;)
            value = (value << 8) | quint8(record->at(at + index));
        return value;
    };
    if (signature == Layout::CodeView::Pdb70 &&
        record->size() >= qsizetype(Layout::CodeView::Pdb70NameOffset)) {
        module.debugId =
            guidText(record->sliced(4, 16)) + QString::number(number(20), 16).toUpper();
        module.debugFile =
            fileName(nullTerminated(record->sliced(Layout::CodeView::Pdb70NameOffset)));
    } else if (signature == Layout::CodeView::Pdb20 &&
               record->size() >= qsizetype(Layout::CodeView::Pdb20NameOffset)) {
        module.debugId = QStringLiteral("%1%2")
                             .arg(number(8), 8, 16, QLatin1Char('0'))
                             .arg(number(12), 0, 16)
                             .toUpper();
        module.debugFile =
            fileName(nullTerminated(record->sliced(Layout::CodeView::Pdb20NameOffset)));
    } else if (signature == Layout::CodeView::Elf && record->size() > 4) {
        // The build ID's first 16 bytes as a GUID (padded with zeros), age 0.
        QByteArray guid = record->sliced(4, std::min<qsizetype>(16, record->size() - 4));
        guid.append(QByteArray(16 - guid.size(), '\0'));
        module.debugId = guidText(guid) + QLatin1Char('0');
        module.debugFile = module.name();
    }
}

std::optional<QString> fixedVersion(const Stream& stream, quint64 entry)
{
    const quint64 info = entry + Layout::Module::VersionInfo;
    const auto signature = stream.integer<quint32>(info);
    const auto high = stream.integer<quint32>(info + Layout::FixedFileInfo::FileVersionHigh);
    const auto low = stream.integer<quint32>(info + Layout::FixedFileInfo::FileVersionLow);
    if (signature != Layout::FixedFileInfo::Signature || !high || !low)
        return std::nullopt;
    return QStringLiteral("%1.%2.%3.%4")
        .arg(*high >> 16)
        .arg(*high & 0xffff)
        .arg(*low >> 16)
        .arg(*low & 0xffff);
}

QList<DumpModule> readModules(const DumpBytes& bytes, const std::optional<Location>& location)
{
    QList<DumpModule> modules;
    if (!location)
        return modules;
    const Stream stream(bytes, *location);
    const auto count = stream.integer<quint32>(0);
    if (!count)
        return modules;
    // A count past the stream's end is held to what the stream has room for.
    const quint64 room = (stream.size() - 4) / Layout::Module::Size;
    for (quint64 index = 0; index < std::min<quint64>({*count, room, MaximumModules}); ++index) {
        const quint64 entry = 4 + index * Layout::Module::Size;
        DumpModule module;
        const auto base = stream.integer<quint64>(entry + Layout::Module::Base);
        const auto size = stream.integer<quint32>(entry + Layout::Module::ImageSize);
        const auto nameRva = stream.integer<quint32>(entry + Layout::Module::NameRva);
        if (!base || !size)
            continue;
        module.base = *base;
        module.size = *size;
        if (nameRva)
            module.path = minidumpString(bytes, *nameRva).value_or(QString());
        module.version = fixedVersion(stream, entry);
        if (const auto codeView = stream.location(entry + Layout::Module::CodeView))
            readCodeView(bytes, *codeView, module);
        modules.append(module);
    }
    return modules;
}

struct ThreadPlace {
    std::optional<Location> context;
    quint64 stackStart = 0;
    Location stack;
};

std::optional<ThreadPlace> findThread(const DumpBytes& bytes, const std::optional<Location>& list,
                                      std::optional<quint32> id)
{
    if (!list)
        return std::nullopt;
    const Stream stream(bytes, *list);
    const auto count = stream.integer<quint32>(0);
    if (!count)
        return std::nullopt;
    const quint64 room = (stream.size() - 4) / Layout::Thread::Size;
    for (quint64 index = 0; index < std::min<quint64>({*count, room, MaximumThreads}); ++index) {
        const quint64 entry = 4 + index * Layout::Thread::Size;
        const auto threadId = stream.integer<quint32>(entry + Layout::Thread::Id);
        // Without an exception the first thread is taken.
        if (!threadId || (id && *threadId != *id))
            continue;
        ThreadPlace place;
        place.context = stream.location(entry + Layout::Thread::Context);
        place.stackStart = stream.integer<quint64>(entry + Layout::Thread::Stack).value_or(0);
        place.stack = stream.location(entry + Layout::Thread::Stack + 8).value_or(Location{});
        return place;
    }
    return std::nullopt;
}

// Where in the dump the memory at the address is kept: the thread's own stack, else a range of
// the memory lists.
std::optional<std::pair<quint64, quint64>> memoryAt(const DumpBytes& bytes,
                                                    const Directory& directory,
                                                    const ThreadPlace& thread, quint64 address)
{
    // (start, size, offset in the dump)
    const auto fits = [&](quint64 start, quint64 size,
                          quint64 offset) -> std::optional<std::pair<quint64, quint64>> {
        if (address < start || address - start >= size)
            return std::nullopt;
        const quint64 into = address - start;
        return std::pair{offset + into, std::min<quint64>(size - into, StackWindowBytes)};
    };
    if (const auto found = fits(thread.stackStart, thread.stack.size, thread.stack.offset))
        return found;
    if (directory.memory) {
        const Stream stream(bytes, *directory.memory);
        const quint64 room =
            stream.size() < 4 ? 0 : (stream.size() - 4) / Layout::MemoryDescriptor::Size;
        const quint64 count = std::min<quint64>(stream.integer<quint32>(0).value_or(0), room);
        for (quint64 index = 0; index < std::min(count, MaximumMemoryRanges); ++index) {
            const quint64 entry = 4 + index * Layout::MemoryDescriptor::Size;
            const auto start = stream.integer<quint64>(entry);
            const auto location = stream.location(entry + 8);
            if (!start || !location)
                break;
            if (const auto found = fits(*start, location->size, location->offset))
                return found;
        }
    }
    if (directory.memory64) {
        const Stream stream(bytes, *directory.memory64);
        const quint64 room =
            stream.size() < 16 ? 0 : (stream.size() - 16) / Layout::Memory64Descriptor::Size;
        const quint64 count = std::min(stream.integer<quint64>(0).value_or(0), room);
        quint64 offset = stream.integer<quint64>(8).value_or(0);
        for (quint64 index = 0; index < std::min(count, MaximumMemoryRanges); ++index) {
            const quint64 entry = 16 + index * Layout::Memory64Descriptor::Size;
            const auto start = stream.integer<quint64>(entry);
            const auto size = stream.integer<quint64>(entry + 8);
            if (!start || !size)
                break;
            if (const auto found = fits(*start, *size, offset))
                return found;
            if (offset + *size < offset)
                break;
            offset += *size;
        }
    }
    return std::nullopt;
}

void readCrashingThread(const DumpBytes& bytes, const Directory& directory, const System& system,
                        DumpFacts& facts)
{
    std::optional<quint32> threadId;
    std::optional<Location> context;
    if (directory.exception) {
        const Stream stream(bytes, *directory.exception);
        threadId = stream.integer<quint32>(Layout::Exception::ThreadId);
        context = stream.location(Layout::Exception::Context);
        const auto code = stream.integer<quint32>(Layout::Exception::Code);
        const auto address = stream.integer<quint64>(Layout::Exception::Address);
        const auto count = stream.integer<quint32>(Layout::Exception::ParameterCount);
        if (code && address && count) {
            // A 32-bit process's addresses are 32 bits, whatever the fields' width.
            const quint64 mask = system.cpu == Cpu::X86 ? 0xffffffffULL : ~0ULL;
            ExceptionRecord record{*code, *address & mask, {}};
            for (quint32 index = 0; index < std::min(*count, Layout::Exception::MaximumParameters);
                 ++index)
                if (const auto parameter =
                        stream.integer<quint64>(Layout::Exception::Parameters + 8 * index))
                    record.parameters.append(*parameter & mask);
            const ExceptionReason reason = exceptionReason(system.kind, record);
            facts.reason = reason.name;
            facts.address = reason.address;
        }
    }
    const std::optional<ThreadPlace> thread = findThread(bytes, directory.threads, threadId);
    if ((!context || context->size == 0) && thread)
        context = thread->context;
    facts.thread.cpu = system.cpu;
    const quint32 needed = contextSize(system.cpu);
    if (!context || needed == 0 || context->size < needed)
        return;
    if (const auto bytesOfContext = bytes.read(context->offset, needed))
        facts.thread.registers = decodeContext(system.cpu, *bytesOfContext);
    // A context of another CPU, or without the control registers, tells nothing.
    if (!registerValue(facts.thread.registers, registerNames(system.cpu).instruction))
        facts.thread.registers.clear();
    const auto stackPointer =
        registerValue(facts.thread.registers, registerNames(system.cpu).stack);
    if (!stackPointer || !thread)
        return;
    if (const auto memory = memoryAt(bytes, directory, *thread, *stackPointer)) {
        if (const auto stack = bytes.read(memory->first, memory->second))
            facts.thread.stack = {*stackPointer, QByteArray(stack->constData(), stack->size())};
    }
}

} // namespace

MinidumpParse parseMinidump(const DumpBytes& bytes)
{
    const auto signature = bytes.integer<quint32>(0);
    const auto count = bytes.integer<quint32>(Layout::Header::StreamCount);
    const auto directoryRva = bytes.integer<quint32>(Layout::Header::DirectoryRva);
    if (!signature || !count || !directoryRva)
        return {std::nullopt, QStringLiteral("ends before a minidump's header does")};
    if (*signature != Layout::Signature)
        return {std::nullopt, QStringLiteral("is no minidump")};
    const Directory directory = readDirectory(bytes, *count, *directoryRva);
    if (*count > 0 && directory.entriesRead == 0)
        return {std::nullopt, QStringLiteral("has its stream directory beyond its end")};
    if (!directory.systemInfo && !directory.exception && !directory.threads && !directory.modules)
        return {std::nullopt, QStringLiteral("holds none of the streams that tell of a crash")};
    const System system = readSystem(bytes, directory.systemInfo);
    DumpFacts facts;
    facts.os = system.os;
    facts.cpu = system.cpuText;
    facts.modules = readModules(bytes, directory.modules);
    readCrashingThread(bytes, directory, system, facts);
    return {facts, {}};
}

} // namespace CrashAnalysis
