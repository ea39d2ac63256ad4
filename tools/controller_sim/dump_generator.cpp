#include "dump_generator.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cstring>

namespace {

constexpr qint64 ChunkSize = 64 * 1024;

// One 64 KiB chunk; the kind rotates with the chunk index.
void fillChunk(QByteArray& chunk, qint64 index, QRandomGenerator& random)
{
    switch (index % 4) {
    case 0:
        chunk.fill('\0');
        break;
    case 1:
        for (qsizetype i = 0; i < chunk.size(); ++i)
            chunk[i] = static_cast<char>((i % 48 < 8) ? 0x40 + (index % 16) : i % 48);
        break;
    case 2:
        random.fillRange(reinterpret_cast<quint32*>(chunk.data()), chunk.size() / 4);
        break;
    default:
        for (qsizetype i = 0; i < chunk.size(); i += 16) {
            const quint64 address = 0x7ff6'0000'0000ULL + quint64(index) * 4096 + quint64(i);
            std::memcpy(chunk.data() + i, &address, 8);
            std::memset(chunk.data() + i + 8, 0, 8);
        }
        break;
    }
}

} // namespace

bool generateDumpFile(const QString& path, qint64 size, const SimulatedCrashSite& site,
                      quint32 seed)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const qint64 memory = size - minidumpHead(site, 1).size();
    QByteArray head = minidumpHead(site, quint64(std::max<qint64>(memory, 0)));
    head.truncate(qsizetype(std::min<qint64>(size, head.size())));
    if (file.write(head) != head.size())
        return false;
    QRandomGenerator random(seed);
    QByteArray chunk(ChunkSize, '\0');
    qint64 written = 0;
    for (qint64 index = 0; written < memory; ++index) {
        fillChunk(chunk, index, random);
        const qint64 length = std::min(ChunkSize, memory - written);
        if (file.write(chunk.constData(), length) != length)
            return false;
        written += length;
    }
    return file.flush();
}
