#include "archive_writer.h"

#include "archive_device.h"
#include "parallel_gzip_device.h"

#include <QIODevice>
#include <QThread>

#include <archive_entry.h>

#include <algorithm>
#include <cerrno>

namespace Orrery {
namespace {

constexpr qint64 CopyChunkSize = 8192;
// libarchive's own gzip filter uses zlib's default level.
constexpr int DefaultGzipLevel = 6;
constexpr unsigned FilePermissions = 0644;

struct EntryDeleter {
    void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};
using EntryPointer = std::unique_ptr<archive_entry, EntryDeleter>;

} // namespace

ArchiveWriter::ArchiveWriter() = default;

ArchiveWriter::~ArchiveWriter()
{
    close();
}

bool ArchiveWriter::fail(ArchiveError::Kind kind)
{
    if (!m_error.isError())
        m_error = ArchiveError(kind);
    return false;
}

// A failure the device callbacks saw is the device's; any other is libarchive's own.
bool ArchiveWriter::failFromLibrary()
{
    if (m_error.isError())
        return false;
    const char* text = archive_error_string(m_handle);
    const QString words = text ? QString::fromUtf8(text) : QString();
    if (!m_device->wasOpen)
        m_error = ArchiveError(ArchiveError::Kind::DeviceNotOpen, EBADF, words);
    else if (m_device->failure != 0)
        m_error = ArchiveError(ArchiveError::Kind::DeviceFailed, m_device->failure, words);
    else
        m_error = ArchiveError(ArchiveError::Kind::WriteFailed,
                               std::max(0, archive_errno(m_handle)), words);
    return false;
}

bool ArchiveWriter::open(QIODevice* device)
{
    if (m_handle != nullptr)
        return fail(ArchiveError::Kind::InvalidState);
    m_error = {};
    m_device = std::make_unique<ArchiveDevice>(device);
    m_handle = archive_write_new();
    archive_write_set_format_gnutar(m_handle);
    const int threads = QThread::idealThreadCount();
    if (threads > 1 && device != nullptr && device->isOpen()) {
        m_gzip = std::make_unique<ParallelGzipDevice>(device, DefaultGzipLevel, threads);
        m_device->device = m_gzip.get();
    } else {
        archive_write_add_filter_gzip(m_handle);
    }
    // The last block is written as it is, not padded to a full tar block.
    archive_write_set_bytes_in_last_block(m_handle, 1);
    if (archive_write_open(m_handle, m_device.get(), ArchiveDevice::open, ArchiveDevice::write,
                           ArchiveDevice::close) != ARCHIVE_OK) {
        failFromLibrary();
        close();
        return false;
    }
    return true;
}

bool ArchiveWriter::writeHeader(const QString& name, qint64 size)
{
    const EntryPointer entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), name.toUtf8().constData());
    archive_entry_set_size(entry.get(), size);
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), FilePermissions);
    return archive_write_header(m_handle, entry.get()) == ARCHIVE_OK || failFromLibrary();
}

bool ArchiveWriter::addData(const QByteArray& data, const QString& name)
{
    if (m_handle == nullptr)
        return fail(ArchiveError::Kind::InvalidState);
    if (!writeHeader(name, data.size()))
        return false;
    if (archive_write_data(m_handle, data.constData(), size_t(data.size())) < 0)
        return failFromLibrary();
    if (m_progress)
        m_progress(data.size());
    return true;
}

bool ArchiveWriter::addFile(QIODevice& source, qint64 size, const QString& name)
{
    if (m_handle == nullptr)
        return fail(ArchiveError::Kind::InvalidState);
    return writeHeader(name, size) && copySource(source, size);
}

// Copies exactly the size in the header: a source that fails or ends early is reported
// (libarchive pads the entry to its size).
bool ArchiveWriter::copySource(QIODevice& source, qint64 size)
{
    char chunk[CopyChunkSize];
    qint64 remaining = size;
    while (remaining > 0) {
        const qint64 count = source.read(chunk, std::min<qint64>(remaining, sizeof chunk));
        if (count <= 0)
            return fail(ArchiveError::Kind::SourceIncomplete);
        if (archive_write_data(m_handle, chunk, size_t(count)) < 0)
            return failFromLibrary();
        remaining -= count;
        if (m_progress)
            m_progress(count);
    }
    return true;
}

void ArchiveWriter::setProgressHandler(std::function<void(qint64)> handler)
{
    m_progress = std::move(handler);
}

bool ArchiveWriter::close()
{
    if (m_handle == nullptr)
        return true;
    const bool finished = archive_write_close(m_handle) == ARCHIVE_OK || failFromLibrary();
    const bool freed = archive_write_free(m_handle) == ARCHIVE_OK;
    m_handle = nullptr;
    bool compressed = true;
    if (m_gzip) {
        compressed = !m_gzip->isOpen() || m_gzip->finish();
        if (!compressed && !m_error.isError())
            m_error = ArchiveError(ArchiveError::Kind::DeviceFailed, EIO);
        m_gzip.reset();
    }
    return finished && freed && compressed;
}

} // namespace Orrery
