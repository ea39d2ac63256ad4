#include "archive_reader.h"

#include "archive_device.h"

#include <QIODevice>
#include <QStringDecoder>

#include <archive_entry.h>

#include <cerrno>

namespace Orrery {
namespace {

constexpr qint64 CopyChunkSize = 8192;
// libarchive's number for input it recognises no format in (its private
// ARCHIVE_ERRNO_FILE_FORMAT), on every system without EFTYPE.
constexpr int UnrecognisedFormat = EILSEQ;

QString textOf(const char* value)
{
    return value ? QString::fromUtf8(value) : QString();
}

ArchiveReader::EntryType typeOf(archive_entry* header)
{
    // A hard link names another entry; it holds no data of its own.
    if (archive_entry_hardlink(header))
        return ArchiveReader::EntryType::HardLink;
    switch (archive_entry_filetype(header)) {
    case AE_IFREG:
        return ArchiveReader::EntryType::File;
    case AE_IFDIR:
        return ArchiveReader::EntryType::Directory;
    case AE_IFLNK:
        return ArchiveReader::EntryType::SymbolicLink;
    default:
        return ArchiveReader::EntryType::Other;
    }
}

} // namespace

ArchiveReader::ArchiveReader() = default;

ArchiveReader::~ArchiveReader()
{
    close();
}

bool ArchiveReader::fail(ArchiveError::Kind kind)
{
    if (!m_error.isError())
        m_error = ArchiveError(kind);
    return false;
}

// Told by what happened, not by libarchive's words: the device failed; no archive format was
// recognised before any entry; the input ended while libarchive still wanted more; or else the
// archive is broken where it stands.
bool ArchiveReader::failFromLibrary()
{
    if (m_error.isError())
        return false;
    const QString words = textOf(archive_error_string(m_handle));
    const int number = archive_errno(m_handle);
    if (!m_device->wasOpen)
        m_error = ArchiveError(ArchiveError::Kind::DeviceNotOpen, EBADF, words);
    else if (m_device->failure != 0)
        m_error = ArchiveError(ArchiveError::Kind::DeviceFailed, m_device->failure, words);
    else if (!m_entryRead && number == UnrecognisedFormat)
        m_error = ArchiveError(ArchiveError::Kind::NotAnArchive, 0, words);
    else if (m_device->reachedEnd)
        m_error = ArchiveError(ArchiveError::Kind::EndsEarly, 0, words);
    else
        m_error = ArchiveError(ArchiveError::Kind::Damaged, 0, words);
    return false;
}

bool ArchiveReader::open(QIODevice* device)
{
    if (m_handle != nullptr)
        return fail(ArchiveError::Kind::InvalidState);
    m_error = {};
    m_entryRead = false;
    m_device = std::make_unique<ArchiveDevice>(device);
    m_handle = archive_read_new();
    archive_read_support_filter_gzip(m_handle);
    archive_read_support_format_tar(m_handle);
    if (archive_read_set_seek_callback(m_handle, ArchiveDevice::seek) != ARCHIVE_OK ||
        archive_read_open2(m_handle, m_device.get(), ArchiveDevice::open, ArchiveDevice::read,
                           nullptr, ArchiveDevice::close) != ARCHIVE_OK) {
        failFromLibrary();
        close();
        return false;
    }
    return true;
}

bool ArchiveReader::close()
{
    if (m_handle == nullptr)
        return true;
    const bool closed = archive_read_free(m_handle) == ARCHIVE_OK;
    m_handle = nullptr;
    return closed;
}

int ArchiveReader::filterCount() const
{
    return m_handle != nullptr ? archive_filter_count(m_handle) : 0;
}

bool ArchiveReader::nextEntry(Entry& entry)
{
    if (m_handle == nullptr)
        return fail(ArchiveError::Kind::InvalidState);
    archive_entry* header = nullptr;
    const int result = archive_read_next_header(m_handle, &header);
    if (result == ARCHIVE_EOF)
        return false;
    if (result != ARCHIVE_OK && result != ARCHIVE_WARN)
        return failFromLibrary();
    m_entryRead = true;

    const char* name = archive_entry_pathname(header);
    QStringDecoder utf8(QStringDecoder::Utf8);
    entry.name = utf8.decode(QByteArrayView(name ? name : ""));
    entry.nameIsUtf8 = !utf8.hasError();
    entry.type = typeOf(header);
    entry.linkTarget.clear();
    if (entry.type == EntryType::HardLink)
        entry.linkTarget = textOf(archive_entry_hardlink(header));
    else if (entry.type == EntryType::SymbolicLink)
        entry.linkTarget = textOf(archive_entry_symlink(header));
    entry.size = archive_entry_size(header);
    entry.permissions = int(archive_entry_perm(header));
    return true;
}

qint64 ArchiveReader::readEntryData(char* data, qint64 maxSize)
{
    if (m_handle == nullptr || maxSize < 0) {
        fail(ArchiveError::Kind::InvalidState);
        return -1;
    }
    const la_ssize_t count = archive_read_data(m_handle, data, size_t(maxSize));
    if (count < 0) {
        failFromLibrary();
        return -1;
    }
    return count;
}

bool ArchiveReader::readEntryData(QByteArray& data)
{
    data.clear();
    char chunk[CopyChunkSize];
    qint64 count = 0;
    while ((count = readEntryData(chunk, sizeof chunk)) > 0)
        data.append(chunk, count);
    return count == 0;
}

} // namespace Orrery
