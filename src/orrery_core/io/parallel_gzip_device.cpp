#include "parallel_gzip_device.h"

#include <QtConcurrent/QtConcurrentRun>

#include <zlib.h>

namespace Orrery {
namespace {

constexpr qsizetype WindowSize = 32 * 1024;
// Magic, deflate, no flags, no time, no extra flags, Unix.
constexpr char GzipHeader[] = {'\x1f', '\x8b', '\x08', '\x00', '\x00',
                               '\x00', '\x00', '\x00', '\x00', '\x03'};

QByteArray littleEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int index = 0; index < 4; ++index)
        bytes[index] = char((value >> (8 * index)) & 0xff);
    return bytes;
}

} // namespace

struct ParallelGzipDevice::Block {
    QByteArray input;
    QByteArray dictionary;
    QByteArray output;
    qsizetype length = 0;
    unsigned long crc = 0;
    bool last = false;
    bool failed = false;
    QFuture<void> done;

    // Raw deflate of the input, primed with the dictionary, ended with a sync flush or, for
    // the last block, finished.
    void compress(int level)
    {
        crc = crc32(0L, reinterpret_cast<const Bytef*>(input.constData()), uInt(input.size()));
        z_stream stream{};
        if (deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            failed = true;
            return;
        }
        if (!dictionary.isEmpty())
            deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary.constData()),
                                 uInt(dictionary.size()));
        output.resize(qsizetype(deflateBound(&stream, uLong(input.size()))) + 64);
        stream.next_in = reinterpret_cast<Bytef*>(input.data());
        stream.avail_in = uInt(input.size());
        int result = Z_OK;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(output.data()) + stream.total_out;
            stream.avail_out = uInt(output.size() - qsizetype(stream.total_out));
            result = deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH);
            if (stream.avail_out == 0)
                output.resize(output.size() * 2);
        } while (stream.avail_out == 0 && result != Z_STREAM_ERROR);
        failed = last ? result != Z_STREAM_END : (result != Z_OK || stream.avail_in != 0);
        output.resize(qsizetype(stream.total_out));
        deflateEnd(&stream);
        input.clear();
        dictionary.clear();
    }
};

ParallelGzipDevice::ParallelGzipDevice(QIODevice* target, int level, int threads, qint64 blockSize)
    : m_target(target)
    , m_level(level)
    , m_blockSize(std::max<qint64>(blockSize, 1))
    , m_maxInFlight(2 * std::max(threads, 1))
    , m_crc(crc32(0L, Z_NULL, 0))
{
    m_pool.setMaxThreadCount(std::max(threads, 1));
    // Open exactly when the target is, so that writing to a closed device is noticed.
    if (target && target->isOpen())
        open(QIODevice::WriteOnly);
}

ParallelGzipDevice::~ParallelGzipDevice()
{
    // No worker outlives the device, finished or not.
    for (const auto& block : m_inFlight)
        block->done.waitForFinished();
}

qint64 ParallelGzipDevice::writeData(const char* data, qint64 length)
{
    if (m_failed || m_finished)
        return -1;
    m_pending.append(data, qsizetype(length));
    while (m_pending.size() >= m_blockSize && !m_failed) {
        submit(m_pending.left(qsizetype(m_blockSize)), false);
        m_pending.remove(0, qsizetype(m_blockSize));
    }
    return m_failed ? -1 : length;
}

void ParallelGzipDevice::submit(QByteArray input, bool last)
{
    auto block = std::make_unique<Block>();
    block->dictionary = m_window;
    m_window = (m_window + input).right(WindowSize);
    m_length += quint64(input.size());
    block->length = input.size();
    block->input = std::move(input);
    block->last = last;
    Block* job = block.get();
    const int level = m_level;
    block->done = QtConcurrent::run(&m_pool, [job, level] { job->compress(level); });
    m_inFlight.push_back(std::move(block));
    while (qsizetype(m_inFlight.size()) > m_maxInFlight && !m_failed)
        writeOldest();
}

// Blocks reach the target in their order, whichever worker finished first.
void ParallelGzipDevice::writeOldest()
{
    const std::unique_ptr<Block> block = std::move(m_inFlight.front());
    m_inFlight.pop_front();
    block->done.waitForFinished();
    if (block->failed || !writeToTarget(block->output)) {
        m_failed = true;
        return;
    }
    m_crc = crc32_combine(m_crc, block->crc, z_off_t(block->length));
}

bool ParallelGzipDevice::writeToTarget(const QByteArray& bytes)
{
    if (!m_headerWritten) {
        m_headerWritten = true;
        if (m_target->write(GzipHeader, sizeof GzipHeader) != qint64(sizeof GzipHeader))
            return false;
    }
    return m_target->write(bytes) == bytes.size();
}

bool ParallelGzipDevice::finish()
{
    if (m_finished)
        return !m_failed;
    if (!m_failed)
        submit(std::exchange(m_pending, {}), true);
    while (!m_inFlight.empty() && !m_failed)
        writeOldest();
    m_finished = true;
    if (m_failed)
        return false;
    return writeToTarget(littleEndian32(quint32(m_crc)) + littleEndian32(quint32(m_length)));
}

} // namespace Orrery
