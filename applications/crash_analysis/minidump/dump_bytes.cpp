#include "dump_bytes.h"

namespace CrashAnalysis {

void DumpBytes::hold(quint64 index, QByteArray block)
{
    m_blocks.insert(index, std::move(block));
}

std::optional<QByteArray> DumpBytes::read(quint64 offset, quint64 size) const
{
    const auto wanted = [&]() -> std::optional<QByteArray> {
        m_wanted.append({offset, size});
        return std::nullopt;
    };
    if (size > quint64(std::numeric_limits<qsizetype>::max()) || offset + size < offset)
        return wanted();
    const quint64 first = offset / BlockSize;
    const auto block = m_blocks.constFind(first);
    if (block == m_blocks.cend())
        return wanted();
    const quint64 into = offset - first * BlockSize;
    // Within one block: the block's own bytes, not a copy.
    if (into + size <= quint64(block->size()))
        return QByteArray::fromRawData(block->constData() + into, qsizetype(size));
    QByteArray bytes;
    bytes.reserve(qsizetype(size));
    for (quint64 at = offset; at < offset + size;) {
        const auto next = m_blocks.constFind(at / BlockSize);
        const quint64 from = at % BlockSize;
        if (next == m_blocks.cend() || from >= quint64(next->size()))
            return wanted();
        const quint64 count = std::min(quint64(next->size()) - from, offset + size - at);
        bytes.append(next->constData() + from, qsizetype(count));
        at += count;
    }
    return bytes;
}

QList<DumpBytes::Range> DumpBytes::takeWanted()
{
    return std::exchange(m_wanted, {});
}

} // namespace CrashAnalysis
