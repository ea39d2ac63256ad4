// libFuzzer target: any block content must parse without a crash or an unbounded allocation.
#include "crash_reporter/channel/crash_channel.h"

#include <QBuffer>
#include <QDataStream>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream stream(&buffer);
    std::optional<CrashRecord> record;
    readCrashRecordFrom(stream, record);
    return 0;
}
