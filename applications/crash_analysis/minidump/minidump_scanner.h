#pragma once

#include "dump_bytes.h"
#include "minidump_parser.h"

#include <QByteArrayView>
#include <QSet>

#include <deque>

namespace CrashAnalysis {

// Reads a minidump's facts as its bytes stream past, once, holding only a bounded part of it:
// its start, the blocks that the stream directory leads to further on (a full-memory dump's
// streams and stack may lie gigabytes in), and the most recent blocks, for what a writer put
// just before the part that names it (a directory after its streams). Once the facts are whole,
// nothing more is wanted.
class MinidumpScanner
{
public:
    static constexpr quint64 DefaultStartBytes = 4 * 1024 * 1024;
    static constexpr quint64 MaximumHeldBlocks = 512; // 32 MiB
    static constexpr qsizetype RecentBlocks = 64;     // 4 MiB

    // The bytes held from the start; tests make it small to reach the blocks further on.
    explicit MinidumpScanner(quint64 startBytes = DefaultStartBytes);

    // The next bytes of the dump; false once nothing further on is wanted.
    bool feed(QByteArrayView chunk);
    // All of the dump has gone by, or as much as there was.
    MinidumpParse finish();

private:
    bool keeps(quint64 block) const;
    void endBlock();
    // Parses what is held and marks the blocks it wanted that still lie ahead.
    void askAgain();
    bool wantsMore() const;
    bool holdRecent(quint64 block);

    quint64 m_startBlocks;
    quint64 m_position = 0;
    QByteArray m_block; // the current block, when it is kept
    bool m_signatureChecked = false;
    bool m_isMinidump = true;
    bool m_complete = false;
    DumpBytes m_bytes;
    QSet<quint64> m_wanted;                              // blocks ahead
    std::deque<std::pair<quint64, QByteArray>> m_recent; // blocks gone by, the newest last
    quint64 m_lastWanted = 0;
    quint64 m_heldBlocks = 0;
};

} // namespace CrashAnalysis
