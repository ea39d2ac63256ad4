#include "crash_data_file.h"

#include <QDataStream>
#include <QFile>

#include <algorithm>

namespace {

// Same wire format as Qt's QStringList extraction, but the count from the file only bounds
// the loop: reserving it up front would let a damaged file ask for gigabytes.
void readStringList(QDataStream& stream, QStringList& list)
{
    quint32 count = 0;
    stream >> count;
    if (stream.status() != QDataStream::Ok)
        return;

    QStringList lines;
    constexpr quint32 EagerReserveLimit = 4096;
    lines.reserve(std::min(count, EagerReserveLimit));
    for (quint32 index = 0; index < count; ++index) {
        QString line;
        stream >> line;
        if (stream.status() != QDataStream::Ok)
            return;
        lines.append(line);
    }
    list = std::move(lines);
}

// Takes the item only when it was read whole: a value read past the end is not a value.
template <typename Item>
void readItem(QDataStream& stream, Item& item)
{
    Item value;
    stream >> value;
    if (stream.status() == QDataStream::Ok)
        item = std::move(value);
}

} // namespace

void readCrashDataFrom(QDataStream& stream, CrashData& data)
{
    readItem(stream, data.dumpFilePath);
    readItem(stream, data.crashTime);
    readStringList(stream, data.outputLog);
}

bool readCrashDataFile(const QString& path, CrashData& data)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QDataStream stream(&file);
    readCrashDataFrom(stream, data);
    return true;
}
