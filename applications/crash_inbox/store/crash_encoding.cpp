#include "crash_encoding.h"

#include <QDataStream>
#include <QIODevice>

namespace CrashEncoding {

namespace {

using namespace CrashAnalysis;

// Raised whenever a form changes.
constexpr quint8 ThreadForm = 1;
constexpr quint8 ModulesForm = 1;
constexpr quint8 FramesForm = 1;
// Beyond what any dump gives; a count past it is a damaged value.
constexpr quint32 MaximumCount = 65536;

template <typename Write>
QByteArray encode(quint8 form, Write write, bool compressed)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << form;
    write(out);
    return compressed ? qCompress(bytes) : bytes;
}

// A stream over the bytes once their form is known to be this one; none else.
std::optional<QByteArray> plain(const QByteArray& bytes, bool compressed)
{
    // qUncompress complains aloud about what is not its own.
    if (bytes.size() <= (compressed ? 4 : 0))
        return std::nullopt;
    return compressed ? qUncompress(bytes) : bytes;
}

template <typename T>
QDataStream& operator>>(QDataStream& in, std::optional<T>& value)
{
    bool present = false;
    in >> present;
    value.reset();
    if (present)
        in >> value.emplace();
    return in;
}

template <typename T>
QDataStream& operator<<(QDataStream& out, const std::optional<T>& value)
{
    out << value.has_value();
    if (value)
        out << *value;
    return out;
}

} // namespace

QByteArray encodeThread(const CrashingThread& thread)
{
    return encode(
        ThreadForm,
        [&](QDataStream& out) {
            out << quint8(thread.cpu) << quint32(thread.registers.size());
            for (const Register& entry : thread.registers)
                out << entry.name << entry.value;
            out << thread.stack.start << thread.stack.bytes;
        },
        true);
}

std::optional<CrashingThread> decodeThread(const QByteArray& bytes)
{
    const std::optional<QByteArray> data = plain(bytes, true);
    if (!data)
        return std::nullopt;
    QDataStream in(*data);
    in.setVersion(QDataStream::Qt_6_4);
    quint8 form = 0;
    quint8 cpu = 0;
    quint32 count = 0;
    in >> form >> cpu >> count;
    if (form != ThreadForm || cpu > quint8(Cpu::Arm64) || count > MaximumCount)
        return std::nullopt;
    CrashingThread thread;
    thread.cpu = Cpu(cpu);
    for (quint32 index = 0; index < count; ++index) {
        Register entry;
        in >> entry.name >> entry.value;
        thread.registers.append(entry);
    }
    in >> thread.stack.start >> thread.stack.bytes;
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    return thread;
}

QByteArray encodeModules(const QList<DumpModule>& modules)
{
    return encode(
        ModulesForm,
        [&](QDataStream& out) {
            out << quint32(modules.size());
            for (const DumpModule& module : modules)
                out << module.path << module.base << module.size << module.version
                    << module.debugFile << module.debugId;
        },
        true);
}

std::optional<QList<DumpModule>> decodeModules(const QByteArray& bytes)
{
    const std::optional<QByteArray> data = plain(bytes, true);
    if (!data)
        return std::nullopt;
    QDataStream in(*data);
    in.setVersion(QDataStream::Qt_6_4);
    quint8 form = 0;
    quint32 count = 0;
    in >> form >> count;
    if (form != ModulesForm || count > MaximumCount)
        return std::nullopt;
    QList<DumpModule> modules;
    for (quint32 index = 0; index < count && in.status() == QDataStream::Ok; ++index) {
        DumpModule module;
        in >> module.path >> module.base >> module.size >> module.version >> module.debugFile >>
            module.debugId;
        modules.append(module);
    }
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    return modules;
}

QByteArray encodeFrames(const QList<CrashFrame>& frames)
{
    return encode(
        FramesForm,
        [&](QDataStream& out) {
            out << quint32(frames.size());
            for (const CrashFrame& frame : frames)
                out << frame.module << frame.offset << frame.function << frame.sourceFile
                    << frame.sourceLine << trustName(frame.trust) << frame.place;
        },
        false);
}

std::optional<QList<CrashFrame>> decodeFrames(const QByteArray& bytes)
{
    const std::optional<QByteArray> data = plain(bytes, false);
    if (!data)
        return std::nullopt;
    QDataStream in(*data);
    in.setVersion(QDataStream::Qt_6_4);
    quint8 form = 0;
    quint32 count = 0;
    in >> form >> count;
    if (form != FramesForm || count > MaximumCount)
        return std::nullopt;
    QList<CrashFrame> frames;
    for (quint32 index = 0; index < count && in.status() == QDataStream::Ok; ++index) {
        CrashFrame frame;
        QString trust;
        in >> frame.module >> frame.offset >> frame.function >> frame.sourceFile >>
            frame.sourceLine >> trust >> frame.place;
        frame.trust = trustFromName(trust);
        frames.append(frame);
    }
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    return frames;
}

} // namespace CrashEncoding
