#include "crash_data_file.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// Same wire format as Qt's QStringList extraction, but the count from the file only bounds
// the loop: reserving it up front would let a damaged file ask for gigabytes.
bool readStringList(QDataStream& stream, QStringList& list)
{
    quint32 count = 0;
    stream >> count;
    if (stream.status() != QDataStream::Ok)
        return false;

    QStringList lines;
    constexpr quint32 EagerReserveLimit = 4096;
    lines.reserve(std::min(count, EagerReserveLimit));
    for (quint32 index = 0; index < count; ++index) {
        QString line;
        stream >> line;
        if (stream.status() != QDataStream::Ok)
            return false;
        lines.append(line);
    }
    list = std::move(lines);
    return true;
}

// Takes the item only when it was read whole: a value read past the end is not a value.
template <typename Item>
bool readItem(QDataStream& stream, Item& item)
{
    Item value;
    stream >> value;
    if (stream.status() != QDataStream::Ok)
        return false;
    item = std::move(value);
    return true;
}

} // namespace

bool readCrashDataFrom(QDataStream& stream, CrashData& data)
{
    const bool path = readItem(stream, data.dumpFilePath);
    const bool time = readItem(stream, data.crashTime);
    const bool log = readStringList(stream, data.outputLog);
    return path && time && log;
}

// A FIFO would wait for a writer for ever, and a folder is nothing to read.
bool readCrashDataFile(const QString& path, CrashData& data)
{
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QDataStream stream(&file);
    return readCrashDataFrom(stream, data);
}
