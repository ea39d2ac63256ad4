#include "file_archive.h"

#include "archive_device.h"
#include "orrery_core/diagnostics/debug_print.h"
#include "parallel_gzip_device.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QStringDecoder>
#include <QThread>

#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <set>

namespace Orrery {
namespace {

thread_local std::int32_t lastArchiveError = FileArchive::NoError;
thread_local QString lastArchiveErrorText;

constexpr qint64 CopyChunkSize = 8192;
// libarchive's own gzip filter uses zlib's default level.
constexpr int DefaultGzipLevel = 6;
constexpr unsigned DirectoryPermissions = 0755;
constexpr unsigned FilePermissions = 0644;

struct EntryDeleter {
    void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};
using EntryPointer = std::unique_ptr<archive_entry, EntryDeleter>;

EntryPointer makeEntry(const QString& archivePath, unsigned fileType, unsigned permissions,
                       qint64 size)
{
    EntryPointer entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), archivePath.toUtf8().constData());
    archive_entry_set_size(entry.get(), size);
    archive_entry_set_filetype(entry.get(), fileType);
    archive_entry_set_perm(entry.get(), permissions);
    return entry;
}

QString archivePathOf(const QString& localPath, const QString& parentPath, const QString& name)
{
    QString path;
    if (!parentPath.isEmpty())
        path = parentPath + QLatin1Char('/');
    return path + (name.isEmpty() ? QFileInfo(localPath).fileName() : name);
}

// Copies exactly the size in the header: a source that grows meanwhile is cut there, one that
// fails or ends early is reported (libarchive pads the entry to its size).
bool copySource(archive* handle, QIODevice& source, qint64 size,
                const std::function<void(qint64)>& progress)
{
    char chunk[CopyChunkSize];
    qint64 remaining = size;
    while (remaining > 0) {
        const qint64 count = source.read(chunk, std::min<qint64>(remaining, sizeof chunk));
        if (count <= 0) {
            FileArchive::setLastError(FileArchive::SourceIncomplete);
            return false;
        }
        if (archive_write_data(handle, chunk, size_t(count)) < 0) {
            FileArchive::setLastError(archive_errno(handle));
            return false;
        }
        remaining -= count;
        if (progress)
            progress(count);
    }
    return true;
}

// Adds files and directory trees to an archive open for writing. Remembers the directories
// on the current path so that a link back into the tree is noticed instead of followed.
class TreeWriter
{
public:
    TreeWriter(archive* handle, const std::function<void(qint64)>& progress)
        : m_handle(handle)
        , m_progress(progress)
    {}

    bool add(const QString& path, const QString& name)
    {
        const QFileInfo info(path);
        if (info.isFile())
            return addFile(path, {}, name);
        if (info.isDir())
            return addDirectory(path, {}, name);
        FileArchive::setLastError(FileArchive::FileNotFound);
        return false;
    }

private:
    bool storeError()
    {
        FileArchive::setLastError(archive_errno(m_handle));
        return false;
    }

    // The source is opened before its header is written: one that cannot be read leaves no
    // entry behind.
    bool addFile(const QString& path, const QString& parentPath, const QString& name)
    {
        const QFileInfo info(path);
        if (!info.exists()) {
            FileArchive::setLastError(FileArchive::FileNotFound);
            return false;
        }
        QFile file(path);
        errno = 0;
        if (!file.open(QIODevice::ReadOnly)) {
            if (errno != 0)
                FileArchive::setLastError(errno);
            return false;
        }
        const qint64 size = info.size();
        const EntryPointer entry =
            makeEntry(archivePathOf(path, parentPath, name), AE_IFREG, FilePermissions, size);
        if (archive_write_header(m_handle, entry.get()) != ARCHIVE_OK)
            return storeError();
        return copySource(m_handle, file, size, m_progress);
    }

    bool addDirectory(const QString& path, const QString& parentPath, const QString& name)
    {
        const QString canonicalPath = QFileInfo(path).canonicalFilePath();
        if (m_openDirectories.contains(canonicalPath)) {
            FileArchive::setLastError(FileArchive::SymbolicLinkCycle);
            return true;
        }

        const QString archivePath = archivePathOf(path, parentPath, name);
        const EntryPointer entry = makeEntry(archivePath, AE_IFDIR, DirectoryPermissions, 0);
        if (archive_write_header(m_handle, entry.get()) != ARCHIVE_OK)
            return storeError();

        m_openDirectories.insert(canonicalPath);
        const bool added = addChildren(path, archivePath);
        m_openDirectories.erase(canonicalPath);
        return added;
    }

    bool addChildren(const QString& path, const QString& archivePath)
    {
        QDirIterator children(path, QDir::Dirs | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        while (children.hasNext()) {
            const QString child = children.next();
            const QFileInfo info = children.fileInfo();
            bool added = true;
            if (info.isFile())
                added = addFile(child, archivePath, {});
            else if (info.isDir())
                added = addDirectory(child, archivePath, {});
            if (!added)
                return false;
        }
        return true;
    }

    archive* m_handle;
    const std::function<void(qint64)>& m_progress;
    std::set<QString> m_openDirectories;
};

} // namespace

const std::int32_t FileArchive::SymbolicLinkCycle = ELOOP;

bool formatSupportsCompressionMode(FileArchive::Format format,
                                   FileArchive::CompressionMode compression)
{
    return compression == FileArchive::CompressionMode::Default ||
           (compression == FileArchive::CompressionMode::None &&
            format == FileArchive::Format::TarGz);
}

FileArchive::FileArchive()
    : m_context(std::make_unique<DeviceContext>())
{
    setLastError(NoError);
}

FileArchive::~FileArchive()
{
    close();
}

std::int32_t FileArchive::lastError()
{
    return lastArchiveError;
}

void FileArchive::setLastError(std::int32_t error)
{
    lastArchiveError = error;
    lastArchiveErrorText.clear();
}

QString FileArchive::lastErrorText()
{
    return lastArchiveErrorText;
}

bool FileArchive::storeArchiveError()
{
    setLastError(archive_errno(m_handle));
    if (const char* text = archive_error_string(m_handle))
        lastArchiveErrorText = QString::fromUtf8(text);
    return false;
}

bool FileArchive::open(Mode mode, QIODevice* device, Format format, CompressionMode compression)
{
    if (m_handle != nullptr) {
        setLastError(InvalidState);
        return false;
    }
    if (mode != Mode::Read && mode != Mode::Write) {
        setLastError(UnsupportedFormat);
        return false;
    }
    m_context->device = device;
    m_context->startPosition = (device != nullptr && device->isOpen()) ? device->pos() : 0;

    if (mode == Mode::Read)
        return setUpReading(format);

    if (!setUpWriting(format, compression))
        return false;
    if (archive_write_open(m_handle, m_context.get(), ArchiveDevice::open, ArchiveDevice::write,
                           ArchiveDevice::close) != ARCHIVE_OK) {
        storeArchiveError();
        close();
        return false;
    }
    return true;
}

bool FileArchive::setUpWriting(Format format, CompressionMode compression)
{
    ORRERY_ASSERT(formatSupportsCompressionMode(format, compression));
    m_mode = Mode::Write;
    m_handle = archive_write_new();
    switch (format) {
    case Format::TarGz:
        archive_write_set_format_gnutar(m_handle);
        if (compression == CompressionMode::Default && QThread::idealThreadCount() > 1) {
            m_gzip = std::make_unique<ParallelGzipDevice>(m_context->device, DefaultGzipLevel,
                                                          QThread::idealThreadCount());
            m_context->device = m_gzip.get();
            break;
        }
        archive_write_add_filter_gzip(m_handle);
        if (compression == CompressionMode::None)
            archive_write_set_filter_option(m_handle, "gzip", "compression-level", "0");
        break;
    case Format::Tar:
        archive_write_set_format_gnutar(m_handle);
        break;
    case Format::Zip:
        archive_write_set_format_zip(m_handle);
        break;
    case Format::SevenZip:
        archive_write_set_format_7zip(m_handle);
        break;
    default:
        setLastError(UnsupportedFormat);
        archive_write_free(m_handle);
        m_handle = nullptr;
        return false;
    }
    // The last block is written as it is, not padded to a full tar block.
    archive_write_set_bytes_in_last_block(m_handle, 1);
    return true;
}

bool FileArchive::setUpReading(Format format)
{
    m_mode = Mode::Read;
    m_handle = archive_read_new();
    switch (format) {
    case Format::TarGz:
        archive_read_support_filter_gzip(m_handle);
        archive_read_support_format_tar(m_handle);
        break;
    case Format::Tar:
        archive_read_support_format_tar(m_handle);
        break;
    case Format::Zip:
        archive_read_support_format_zip(m_handle);
        break;
    case Format::SevenZip:
        archive_read_support_format_7zip(m_handle);
        break;
    default:
        setLastError(UnsupportedFormat);
        archive_read_free(m_handle);
        m_handle = nullptr;
        return false;
    }
    if (archive_read_set_seek_callback(m_handle, ArchiveDevice::seek) != ARCHIVE_OK) {
        storeArchiveError();
        archive_read_free(m_handle);
        m_handle = nullptr;
        return false;
    }
    if (archive_read_open2(m_handle, m_context.get(), ArchiveDevice::open, ArchiveDevice::read,
                           nullptr, ArchiveDevice::close) != ARCHIVE_OK) {
        storeArchiveError();
        close();
        return false;
    }
    return true;
}

bool FileArchive::add(const QString& path, const QString& name)
{
    if (m_handle == nullptr || m_mode != Mode::Write) {
        setLastError(InvalidState);
        return false;
    }
    return TreeWriter(m_handle, m_progress).add(path, name);
}

bool FileArchive::addData(const QByteArray& data, const QString& name)
{
    if (m_handle == nullptr || m_mode != Mode::Write) {
        setLastError(InvalidState);
        return false;
    }
    const EntryPointer entry = makeEntry(name, AE_IFREG, FilePermissions, data.size());
    if (archive_write_header(m_handle, entry.get()) != ARCHIVE_OK ||
        archive_write_data(m_handle, data.constData(), size_t(data.size())) < 0)
        return storeArchiveError();
    if (m_progress)
        m_progress(data.size());
    return true;
}

bool FileArchive::addFile(QIODevice& source, qint64 size, const QString& name)
{
    if (m_handle == nullptr || m_mode != Mode::Write) {
        setLastError(InvalidState);
        return false;
    }
    const EntryPointer entry = makeEntry(name, AE_IFREG, FilePermissions, size);
    if (archive_write_header(m_handle, entry.get()) != ARCHIVE_OK)
        return storeArchiveError();
    return copySource(m_handle, source, size, m_progress);
}

void FileArchive::setProgressHandler(std::function<void(qint64)> handler)
{
    m_progress = std::move(handler);
}

bool FileArchive::close()
{
    if (m_handle == nullptr)
        return true;
    bool closed = false;
    if (m_mode == Mode::Read) {
        closed = archive_read_free(m_handle) == ARCHIVE_OK;
    } else {
        bool finished = archive_write_close(m_handle) == ARCHIVE_OK;
        if (!finished)
            setLastError(archive_errno(m_handle));
        closed = archive_write_free(m_handle) == ARCHIVE_OK && finished;
        if (m_gzip && m_gzip->isOpen() && !m_gzip->finish()) {
            setLastError(EIO);
            closed = false;
        }
    }
    if (m_gzip) {
        m_context->device = m_gzip->target();
        m_gzip.reset();
    }
    m_handle = nullptr;
    return closed;
}

int FileArchive::filterCount() const
{
    return m_handle != nullptr && m_mode == Mode::Read ? archive_filter_count(m_handle) : 0;
}

bool FileArchive::nextEntry(Entry& entry)
{
    if (m_handle == nullptr || m_mode != Mode::Read) {
        setLastError(InvalidState);
        return false;
    }
    archive_entry* header = nullptr;
    const int result = archive_read_next_header(m_handle, &header);
    if (result == ARCHIVE_EOF)
        return false;
    if (result != ARCHIVE_OK && result != ARCHIVE_WARN)
        return storeArchiveError();

    const auto text = [](const char* value) {
        return value ? QString::fromUtf8(value) : QString();
    };
    const char* name = archive_entry_pathname(header);
    QStringDecoder utf8(QStringDecoder::Utf8);
    entry.name = utf8.decode(QByteArrayView(name ? name : ""));
    entry.nameIsUtf8 = !utf8.hasError();
    entry.linkTarget.clear();
    switch (archive_entry_filetype(header)) {
    case AE_IFREG:
        entry.type = EntryType::File;
        break;
    case AE_IFDIR:
        entry.type = EntryType::Directory;
        break;
    case AE_IFLNK:
        entry.type = EntryType::SymbolicLink;
        entry.linkTarget = text(archive_entry_symlink(header));
        break;
    default:
        entry.type = EntryType::Other;
        break;
    }
    // A hard link names another entry; it holds no data of its own.
    if (const char* target = archive_entry_hardlink(header)) {
        entry.type = EntryType::HardLink;
        entry.linkTarget = text(target);
    }
    entry.size = archive_entry_size(header);
    entry.permissions = int(archive_entry_perm(header));
    return true;
}

qint64 FileArchive::readEntryData(char* data, qint64 maxSize)
{
    if (m_handle == nullptr || m_mode != Mode::Read) {
        setLastError(InvalidState);
        return -1;
    }
    if (maxSize < 0) {
        setLastError(EINVAL);
        return -1;
    }
    const la_ssize_t count = archive_read_data(m_handle, data, size_t(maxSize));
    if (count < 0) {
        storeArchiveError();
        return -1;
    }
    return count;
}

bool FileArchive::readEntryData(QByteArray& data)
{
    data.clear();
    char chunk[CopyChunkSize];
    qint64 count = 0;
    while ((count = readEntryData(chunk, sizeof chunk)) > 0)
        data.append(chunk, count);
    return count == 0;
}

} // namespace Orrery
