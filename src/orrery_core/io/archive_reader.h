#pragma once

#include "archive_error.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QIODevice;
struct archive;

namespace Orrery {

struct ArchiveDevice;

// Reads a tar archive, gzip-compressed or not, through libarchive from any open QIODevice,
// entry by entry. Failures are reported as false (or -1), with the cause in error().
class ArchiveReader
{
public:
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

    ArchiveReader();
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // The device must be open and outlive the open archive.
    bool open(QIODevice* device);
    bool close();
    bool isOpen() const { return m_handle != nullptr; }

    // Steps to the next entry: false at the end (error() stays None) or on an error.
    bool nextEntry(Entry& entry);
    // Up to maxSize bytes of the current entry's data; 0 at its end, -1 on an error.
    qint64 readEntryData(char* data, qint64 maxSize);
    // The rest of the current entry's data; false on an error.
    bool readEntryData(QByteArray& data);

    // The decompression layers found, the plain one included (so 2 for one gzip around a
    // tar), once the first entry has been read.
    int filterCount() const;

    // The first failure since open(); None while there was none.
    const ArchiveError& error() const { return m_error; }

private:
    bool fail(ArchiveError::Kind kind);
    bool failFromLibrary();

    std::unique_ptr<ArchiveDevice> m_device;
    archive* m_handle = nullptr;
    bool m_entryRead = false;
    ArchiveError m_error;
};

} // namespace Orrery
