#pragma once

#include "report_document.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QFile;
class QIODevice;

namespace Orrery {
class ArchiveReader;
}

// A crash package from outside (e-mail, a USB stick, a service technician's folder), read as
// the untrusted input it is: whatever it holds, reading it never crashes, never waits for ever
// and keeps memory flat; anything short of a sound package is named in a sentence.
struct PackageEntry {
    enum class Kind { File, Directory, SymbolicLink, HardLink, Other };

    QString name;
    qint64 size = 0;
    Kind kind = Kind::Other;
    QString linkTarget; // of a link

    bool operator==(const PackageEntry&) const = default;
};

struct PackageSummary {
    QByteArray sha256; // of the whole file, as lower-case hex
    qint64 fileSize = 0;
    QList<PackageEntry> entries;
    ReportDocument report;
};

struct PackageReading {
    std::optional<PackageSummary> package;
    // Why it is no sound package, as a sentence about "it"; empty when it is one.
    QString problem;
};

// Reads the data of a package's entries as it streams past while the package is read, so that
// a large entry is read once and never held whole.
class EntryDataReader
{
public:
    virtual ~EntryDataReader() = default;
    // Whether it reads this entry: asked for each regular file but the report, with the
    // entry's place among all entries and whether the report came before it.
    virtual bool wants(const PackageEntry& entry, qsizetype index, bool afterReport) = 0;
    // The entry's next bytes; false once it wants no more of them.
    virtual bool read(QByteArrayView chunk) = 0;
    // The entry has ended, or no more of it was wanted.
    virtual void finish() = 0;
};

// A crash package holds three entries; far more are no crash package's, and would only cost
// memory and room in the database.
constexpr qsizetype MaximumPackageEntries = 64;

// The file's SHA-256 is taken on a second thread while the archive is read. Only a regular
// file is read: a FIFO or a device is refused, never waited for.
// The entry reader, if any, sees the entries it wants.
PackageReading readPackage(const QString& path, EntryDataReader* entryReader = nullptr);

// The same from an open device, without the hash.
PackageReading readPackage(QIODevice& device, EntryDataReader* entryReader = nullptr);

// The same from an open file, read from its start, with the hash taken afterwards.
PackageReading readPackageFile(QFile& file, EntryDataReader* entryReader = nullptr);

// A gzip inside the gzip would let a small file unpack into an endless tar: no crash package is
// compressed twice. Known once the first entry has been read.
bool isCompressedOnce(const Orrery::ArchiveReader& archive);
