#include "minidump_scanner.h"

#include "minidump_layout.h"

#include <QtEndian>

namespace CrashAnalysis {

MinidumpScanner::MinidumpScanner(quint64 startBytes)
    : m_startBlocks(
          std::max<quint64>(1, (startBytes + DumpBytes::BlockSize - 1) / DumpBytes::BlockSize))
{}

// Until the facts are whole, every block is kept a while.
bool MinidumpScanner::keeps(quint64 block) const
{
    return block < m_startBlocks || m_wanted.contains(block) || !m_complete;
}

bool MinidumpScanner::feed(QByteArrayView chunk)
{
    while (!chunk.isEmpty() && m_isMinidump) {
        const quint64 block = m_position / DumpBytes::BlockSize;
        const quint64 room = DumpBytes::BlockSize - m_position % DumpBytes::BlockSize;
        const qsizetype count = qsizetype(std::min<quint64>(room, quint64(chunk.size())));
        if (keeps(block)) {
            if (m_block.isEmpty())
                m_block.reserve(DumpBytes::BlockSize);
            m_block.append(chunk.first(count));
        }
        m_position += quint64(count);
        chunk = chunk.sliced(count);
        if (!m_signatureChecked && m_block.size() >= 4) {
            m_signatureChecked = true;
            m_isMinidump =
                qFromLittleEndian<quint32>(m_block.constData()) == MinidumpLayout::Signature;
        }
        if (m_position % DumpBytes::BlockSize == 0)
            endBlock();
    }
    return wantsMore();
}

void MinidumpScanner::endBlock()
{
    const quint64 block = (m_position - 1) / DumpBytes::BlockSize;
    if (!keeps(block))
        return;
    if (block >= m_startBlocks && !m_wanted.contains(block)) {
        m_recent.emplace_back(block, std::exchange(m_block, {}));
        if (qsizetype(m_recent.size()) > RecentBlocks)
            m_recent.pop_front();
        return;
    }
    m_bytes.hold(block, std::exchange(m_block, {}));
    m_wanted.remove(block);
    ++m_heldBlocks;
    askAgain();
}

// A recent block that turned out to be wanted is held after all.
bool MinidumpScanner::holdRecent(quint64 block)
{
    for (auto recent = m_recent.begin(); recent != m_recent.end(); ++recent) {
        if (recent->first != block)
            continue;
        m_bytes.hold(block, std::move(recent->second));
        m_recent.erase(recent);
        ++m_heldBlocks;
        return true;
    }
    return false;
}

void MinidumpScanner::askAgain()
{
    // Recent blocks asked for are held, and asked for again, until no more of them is.
    QList<DumpBytes::Range> wanted;
    for (bool heldMore = true; heldMore;) {
        m_bytes.takeWanted();
        parseMinidump(m_bytes);
        wanted = m_bytes.takeWanted();
        heldMore = false;
        for (const DumpBytes::Range& range : std::as_const(wanted)) {
            if (range.size == 0 || range.offset + range.size < range.offset ||
                m_heldBlocks >= MaximumHeldBlocks)
                continue;
            for (quint64 block = range.offset / DumpBytes::BlockSize;
                 block <= (range.offset + range.size - 1) / DumpBytes::BlockSize &&
                 !m_recent.empty() && block <= m_recent.back().first;
                 ++block)
                heldMore = holdRecent(block) || heldMore;
        }
    }
    // Everything the facts need is held: the rest of the dump need not go by.
    m_complete = wanted.isEmpty();
    const quint64 next = (m_position + DumpBytes::BlockSize - 1) / DumpBytes::BlockSize;
    for (const DumpBytes::Range& range : wanted) {
        if (range.size == 0 || range.offset + range.size < range.offset)
            continue;
        const quint64 first = range.offset / DumpBytes::BlockSize;
        const quint64 last = (range.offset + range.size - 1) / DumpBytes::BlockSize;
        // Blocks gone by are gone; a range too large for what may be held is not kept at all.
        if (first < next || last - first >= MaximumHeldBlocks)
            continue;
        for (quint64 block = first; block <= last; ++block) {
            if (m_heldBlocks + quint64(m_wanted.size()) >= MaximumHeldBlocks)
                return;
            if (!m_bytes.holds(block)) {
                m_wanted.insert(block);
                m_lastWanted = std::max(m_lastWanted, block);
            }
        }
    }
}

bool MinidumpScanner::wantsMore() const
{
    if (!m_isMinidump || m_complete)
        return false;
    const quint64 block = m_position / DumpBytes::BlockSize;
    return block < m_startBlocks || (!m_wanted.isEmpty() && m_lastWanted >= block);
}

MinidumpParse MinidumpScanner::finish()
{
    if (!m_isMinidump)
        return {std::nullopt, QStringLiteral("is no minidump")};
    if (!m_block.isEmpty()) {
        m_bytes.hold(m_position / DumpBytes::BlockSize, std::exchange(m_block, {}));
        ++m_heldBlocks;
        askAgain();
    }
    return parseMinidump(m_bytes);
}

} // namespace CrashAnalysis
