// libFuzzer target: any crash data file must parse without a crash or an unbounded allocation.
#include "crash_reporter/channel/crash_data_file.h"

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
    CrashData crashData;
    readCrashDataFrom(stream, crashData);
    return 0;
}
