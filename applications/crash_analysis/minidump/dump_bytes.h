#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>

#include <optional>

namespace CrashAnalysis {

// What is held of a dump: blocks of it, kept as it streamed past. A read of bytes that are not
// all held answers nothing and notes them as wanted, so that a reader can keep them when they
// come by and ask again.
class DumpBytes
{
public:
    static constexpr quint64 BlockSize = 64 * 1024;

    struct Range {
        quint64 offset = 0;
        quint64 size = 0;
    };

    // The block that starts at index × BlockSize; a last one may be shorter.
    void hold(quint64 index, QByteArray block);
    bool holds(quint64 index) const { return m_blocks.contains(index); }

    // The bytes, or none when they are not all held.
    std::optional<QByteArray> read(quint64 offset, quint64 size) const;
    template <typename Integer>
    std::optional<Integer> integer(quint64 offset) const;

    // The reads that found nothing since the last call.
    QList<Range> takeWanted();

private:
    QMap<quint64, QByteArray> m_blocks;
    mutable QList<Range> m_wanted;
};

template <typename Integer>
std::optional<Integer> DumpBytes::integer(quint64 offset) const
{
    const std::optional<QByteArray> bytes = read(offset, sizeof(Integer));
    if (!bytes)
        return std::nullopt;
    Integer value = 0;
    for (qsizetype at = sizeof(Integer); at-- > 0;)
        value = Integer(value << 8) | Integer(quint8(bytes->at(at)));
    return value;
}

} // namespace CrashAnalysis
