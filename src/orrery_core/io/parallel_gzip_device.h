#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QThreadPool>

#include <deque>
#include <memory>

namespace Orrery {

// A write-only device that gzip-compresses what is written to it on several threads and
// writes one ordinary gzip member to the target. The stream is cut into blocks that workers
// deflate at the same level, each primed with the 32 KiB before it and ended with a sync
// flush, the last one finished; the CRC-32 is combined from the blocks'. Memory stays at a
// few blocks per worker, whatever the length.
class ParallelGzipDevice : public QIODevice
{
    Q_OBJECT

public:
    static constexpr qint64 DefaultBlockSize = 256 * 1024;

    ParallelGzipDevice(QIODevice* target, int level, int threads,
                       qint64 blockSize = DefaultBlockSize);
    ~ParallelGzipDevice() override;

    // Compresses the rest, waits for every worker and writes the trailer; false when any
    // block failed or the target refused a byte.
    bool finish();

    bool isSequential() const override { return true; }
    QIODevice* target() const { return m_target; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override;

private:
    struct Block;

    void submit(QByteArray input, bool last);
    void writeOldest();
    bool writeToTarget(const QByteArray& bytes);

    QIODevice* m_target;
    int m_level;
    qint64 m_blockSize;
    int m_maxInFlight;
    QThreadPool m_pool;
    std::deque<std::unique_ptr<Block>> m_inFlight;
    QByteArray m_pending;
    QByteArray m_window; // the last 32 KiB handed to a block
    unsigned long m_crc;
    quint64 m_length = 0;
    bool m_headerWritten = false;
    bool m_failed = false;
    bool m_finished = false;
};

} // namespace Orrery
