#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QIODevice;
struct archive;

namespace Orrery {

class ParallelGzipDevice;

// Writes (and reads back) archives through libarchive on any open QIODevice. Failures are
// reported as false, with the cause in a per-thread error code (lastError()).
class FileArchive
{
public:
    enum class Mode { Read = 0, Write = 1 };
    enum class Format { TarGz = 0, Tar = 1, Zip = 2, SevenZip = 3 };
    enum class CompressionMode { Default = 0, None = 1 };

    // The per-thread error code: one of these, or the error number libarchive reported.
    enum Error : std::int32_t {
        NoError = 0,
        InvalidState = 1,
        FileNotFound = 2,
        UnsupportedFormat = 3,
        // A source failed or ended early while it was copied: its entry is in the archive,
        // padded to the size in its header, so the archive is no longer a faithful copy.
        SourceIncomplete = 4,
    };

    // Set when a symbolic link inside an added tree leads back into the tree: the link is
    // skipped (ELOOP, "too many levels of symbolic links").
    static const std::int32_t SymbolicLinkCycle;

    enum class EntryType { File, Directory, SymbolicLink, HardLink, Other };
    struct Entry {
        QString name;
        EntryType type = EntryType::Other;
        qint64 size = 0;
        int permissions = 0;
        // Where a symbolic or hard link points.
        QString linkTarget;
        // False when the stored name is not UTF-8; the name then holds replacement characters.
        bool nameIsUtf8 = true;
    };

    FileArchive();
    ~FileArchive();

    // While reading: the decompression layers found, the plain one included (so 2 for one
    // gzip around a tar), after the first entry has been read.
    int filterCount() const;
    FileArchive(const FileArchive&) = delete;
    FileArchive& operator=(const FileArchive&) = delete;

    // The device must be open and outlive the open archive. Compression is ignored for reading.
    // TarGz with default compression deflates on every available core.
    bool open(Mode mode, QIODevice* device, Format format,
              CompressionMode compression = CompressionMode::Default);

    // Adds a file or a whole directory tree under the archive name (empty: its own file name).
    bool add(const QString& path, const QString& name = {});
    // Adds a regular file entry holding the bytes.
    bool addData(const QByteArray& data, const QString& name);
    // Adds a regular file entry of the given size from a source the caller opened, so that
    // what is packed is what was checked. Fails with SourceIncomplete when the source ends
    // early or fails.
    bool addFile(QIODevice& source, qint64 size, const QString& name);

    // Called with the number of source bytes each time a chunk has been packed.
    void setProgressHandler(std::function<void(qint64 bytes)> handler);

    // Finishes the archive (write mode: compressor flush and trailers). The device stays open.
    bool close();

    bool isOpen() const { return m_handle != nullptr; }

    // Reading back, in Read mode: step to the next entry (false at the end or on an error),
    // then read its data.
    bool nextEntry(Entry& entry);
    // Up to maxSize bytes of the current entry's data; 0 at its end, -1 on an error (EINVAL for
    // a negative size).
    qint64 readEntryData(char* data, qint64 maxSize);
    // The rest of the current entry's data; false on an error.
    bool readEntryData(QByteArray& data);

    static std::int32_t lastError();
    static void setLastError(std::int32_t error);
    // libarchive's words for the last error of this thread, when it gave any.
    static QString lastErrorText();

    struct DeviceContext;

private:
    bool setUpWriting(Format format, CompressionMode compression);
    bool setUpReading(Format format);
    bool storeArchiveError();

    std::unique_ptr<DeviceContext> m_context;
    // Gzip on every core: libarchive writes the tar stream into it.
    std::unique_ptr<ParallelGzipDevice> m_gzip;
    archive* m_handle = nullptr;
    Mode m_mode = Mode::Write;
    std::function<void(qint64)> m_progress;
};

bool formatSupportsCompressionMode(FileArchive::Format format,
                                   FileArchive::CompressionMode compression);

} // namespace Orrery
