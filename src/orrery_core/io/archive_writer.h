#pragma once

#include "archive_error.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;
struct archive;

namespace Orrery {

struct ArchiveDevice;
class ParallelGzipDevice;

// Writes a gzip-compressed GNU tar archive through libarchive on any open QIODevice, deflating
// on every available core. Entries are regular files (0644) with no times or owners. Failures
// are reported as false, with the cause in error().
class ArchiveWriter
{
public:
    ArchiveWriter();
    ~ArchiveWriter();
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // The device must be open and outlive the open archive.
    bool open(QIODevice* device);

    // Adds a regular file entry holding the bytes.
    bool addData(const QByteArray& data, const QString& name);
    // Adds a regular file entry of the given size from a source the caller opened, so that
    // what is packed is what was checked. Fails with SourceIncomplete when the source ends
    // early or fails; a source that grows meanwhile is cut at the size.
    bool addFile(QIODevice& source, qint64 size, const QString& name);

    // Called with the number of source bytes each time a chunk has been packed.
    void setProgressHandler(std::function<void(qint64 bytes)> handler);

    // Finishes the archive (compressor flush and trailers). The device stays open.
    bool close();

    bool isOpen() const { return m_handle != nullptr; }
    // The first failure since open(); None while there was none.
    const ArchiveError& error() const { return m_error; }

private:
    bool fail(ArchiveError::Kind kind);
    bool failFromLibrary();
    bool writeHeader(const QString& name, qint64 size);
    bool copySource(QIODevice& source, qint64 size);

    std::unique_ptr<ArchiveDevice> m_device;
    // Gzip on every core: libarchive writes the tar stream into it.
    std::unique_ptr<ParallelGzipDevice> m_gzip;
    archive* m_handle = nullptr;
    std::function<void(qint64)> m_progress;
    ArchiveError m_error;
};

} // namespace Orrery
