#include "crash_data_file.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <deque>

namespace {

// What the report keeps of the controller's last words: the newest lines, each and all of them
// bounded, so that a log of gigabytes costs neither the memory nor a report larger than the
// service department's desk takes.
constexpr quint32 MaximumLineBytes = 16 * 1024 * 2;
constexpr qsizetype MaximumLogCharacters = 128 * 1024;
constexpr quint32 MaximumPathBytes = 4096 * 2;
constexpr quint32 NullString = 0xffffffff;

// Qt's QString wire format (a byte count, then UTF-16 code units), read without trusting the
// count: at most `maximum` bytes are kept, the rest is passed over (and `cut` set).
bool readBoundedString(QDataStream& stream, QString& text, quint32 maximum, bool* cut = nullptr)
{
    quint32 bytes = 0;
    stream >> bytes;
    if (stream.status() != QDataStream::Ok)
        return false;
    if (bytes == NullString) {
        text = QString();
        return true;
    }
    if (bytes % 2 != 0) {
        stream.setStatus(QDataStream::ReadCorruptData);
        return false;
    }
    const quint32 kept = std::min(bytes, maximum);
    if (cut)
        *cut = kept < bytes;
    QByteArray units(qsizetype(kept), Qt::Uninitialized);
    if (stream.readRawData(units.data(), int(kept)) != int(kept) ||
        (bytes > kept && stream.skipRawData(int(bytes - kept)) != int(bytes - kept))) {
        stream.setStatus(QDataStream::ReadPastEnd);
        return false;
    }
    text.resize(kept / 2);
    const bool bigEndian = stream.byteOrder() == QDataStream::BigEndian;
    for (quint32 index = 0; index < kept / 2; ++index) {
        const auto high = quint8(units.at(2 * index));
        const auto low = quint8(units.at(2 * index + 1));
        text[index] = QChar(bigEndian ? quint16(high << 8 | low) : quint16(low << 8 | high));
    }
    return true;
}

// Same wire format as Qt's QStringList extraction; the count from the file only bounds the
// loop, and of the lines only the newest are kept.
bool readOutputLog(QDataStream& stream, QStringList& list)
{
    quint32 count = 0;
    stream >> count;
    if (stream.status() != QDataStream::Ok)
        return false;
    std::deque<QString> lines;
    qsizetype characters = 0;
    quint32 leftOut = 0;
    for (quint32 index = 0; index < count; ++index) {
        QString line;
        if (!readBoundedString(stream, line, MaximumLineBytes))
            return false;
        characters += line.size();
        lines.push_back(std::move(line));
        while (characters > MaximumLogCharacters && lines.size() > 1) {
            characters -= lines.front().size();
            lines.pop_front();
            ++leftOut;
        }
    }
    QStringList kept;
    if (leftOut > 0)
        kept << QStringLiteral("[%1 earlier lines left out]").arg(leftOut);
    kept.append(QStringList(lines.begin(), lines.end()));
    list = std::move(kept);
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

// A path longer than any file system takes is no path.
bool readPath(QDataStream& stream, QString& path)
{
    QString value;
    bool cut = false;
    if (!readBoundedString(stream, value, MaximumPathBytes, &cut) || cut)
        return false;
    path = std::move(value);
    return true;
}

} // namespace

bool readCrashDataFrom(QDataStream& stream, CrashData& data)
{
    const bool path = readPath(stream, data.dumpFilePath);
    const bool time = readItem(stream, data.crashTime);
    const bool log = readOutputLog(stream, data.outputLog);
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
