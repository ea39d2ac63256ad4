#include "crash_channel.h"

#include "crash_reporter/channel/platform/record_block.h"
#include "orrery_core/diagnostics/log.h"

#include <QBuffer>
#include <QDataStream>
#include <QSharedMemory>
#include <QtDebug>

#include <map>
#include <memory>
#include <mutex>

namespace {

constexpr char KeyBase[] = "VarnelQ5SM";
constexpr std::int32_t AttachFailureCode = 131;
// A record is a few hundred bytes; a block of gigabytes is copied no further than this.
constexpr qsizetype MaximumRecordBytes = 1024 * 1024;
// The writer holds the lock only while it writes the record; a lock held longer is nobody's
// to wait for: the episode goes on without a record.
constexpr std::chrono::milliseconds LockWait{2000};

struct MemoryRegistry {
    std::mutex mutex;
    std::map<InstanceNumber, std::unique_ptr<QSharedMemory>> memories;
};

MemoryRegistry& memoryRegistry()
{
    static MemoryRegistry registry;
    return registry;
}

ThemeMode themeModeFromWire(qint8 value)
{
    // An unknown value would otherwise travel on as an out-of-range enumerator.
    switch (value) {
    case static_cast<qint8>(ThemeMode::Dark):
        return ThemeMode::Dark;
    case static_cast<qint8>(ThemeMode::Light):
        return ThemeMode::Light;
    default:
        return ThemeMode::System;
    }
}

} // namespace

QString crashChannelKey(const InstanceNumber& instance)
{
    QString key = QString::fromLatin1(KeyBase);
    if (instance)
        key += QLatin1Char('_') + QString::number(*instance);
    return key;
}

QSharedMemory* crashChannelMemory(const InstanceNumber& instance)
{
    MemoryRegistry& registry = memoryRegistry();
    const std::lock_guard lock(registry.mutex);
    auto& memory = registry.memories[instance];
    if (!memory) {
        memory = std::make_unique<QSharedMemory>();
        memory->setKey(crashChannelKey(instance));
    }
    return memory.get();
}

bool attachCrashChannel(QSharedMemory& memory)
{
    if (memory.isAttached() || memory.attach(QSharedMemory::ReadWrite))
        return true;
    Orrery::logLine(
        AttachFailureCode, "Failed to attach to shared memory (key: \"%s\", error: \"%s\")",
        memory.key().toLocal8Bit().constData(), memory.errorString().toLocal8Bit().constData());
    return false;
}

std::optional<CrashRecord> readCrashRecord(const InstanceNumber& instance)
{
    QSharedMemory* memory = crashChannelMemory(instance);
    const CrashReporter::Platform::RecordBlock block =
        CrashReporter::Platform::readRecordBlock(*memory, LockWait, MaximumRecordBytes);
    using Status = CrashReporter::Platform::RecordBlock::Status;
    switch (block.status) {
    case Status::Read:
        break;
    case Status::Absent:
    case Status::Failed:
        Orrery::logLine(
            AttachFailureCode, "Failed to attach to shared memory (key: \"%s\", error: \"%s\")",
            memory->key().toLocal8Bit().constData(), block.detail.toLocal8Bit().constData());
        return std::nullopt;
    case Status::NotOwn:
        qDebug("The crash record's shared memory \"%s\" is not the user's own (%s); it is "
               "ignored",
               memory->key().toLocal8Bit().constData(), block.detail.toLocal8Bit().constData());
        return std::nullopt;
    case Status::Busy:
        qDebug("The crash record's shared memory \"%s\" stayed locked; the episode goes on "
               "without it",
               memory->key().toLocal8Bit().constData());
        return std::nullopt;
    }
    std::optional<CrashRecord> record;
    QBuffer buffer;
    buffer.setData(block.bytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream stream(&buffer);
    readCrashRecordFrom(stream, record);
    return record;
}

void readVersion(QDataStream& stream, Orrery::Version& version)
{
    qint32 packed = 0;
    stream >> packed;
    const auto bits = static_cast<quint32>(packed);
    version.major = static_cast<std::uint8_t>(bits >> 24);
    version.minor = static_cast<std::uint8_t>(bits >> 16);
    version.patch = static_cast<std::uint8_t>(bits >> 8);
    version.build = static_cast<std::uint8_t>(bits);
}

void readCrashRecordFrom(QDataStream& stream, std::optional<CrashRecord>& result)
{
    bool present = false;
    stream >> present;
    if (!present) {
        result.reset();
        return;
    }

    CrashRecord& record = result.emplace();
    readVersion(stream, record.version);

    bool modelPresent = false;
    stream >> modelPresent;
    if (modelPresent) {
        qint8 model = 0;
        stream >> model;
        record.productModel = static_cast<std::uint8_t>(model);
    }

    qint8 themeMode = 0;
    stream >> record.serialNumber >> themeMode >> record.extraFilePath;
    record.themeMode = themeModeFromWire(themeMode);

    bool delayPresent = false;
    stream >> delayPresent;
    if (delayPresent) {
        record.autoActionDelay = std::chrono::seconds{0};
        qint64 numerator = 0;
        qint64 denominator = 0;
        qint64 count = 0;
        stream >> numerator >> denominator >> count;
        if (numerator == 1 && denominator == 1)
            record.autoActionDelay = std::chrono::seconds{count};
    }
}
