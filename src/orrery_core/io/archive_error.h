#pragma once

#include <QString>

namespace Orrery {

// What went wrong in one archive: a kind of our own, the system's error number when the system
// named one (0 otherwise), and libarchive's words when it gave any. Callers decide by the kind;
// the words are only shown.
class ArchiveError
{
public:
    enum class Kind {
        None,
        // Used while closed, opened twice, or asked for a negative amount.
        InvalidState,
        DeviceNotOpen,
        // The device could not be read, written or positioned.
        DeviceFailed,
        // A source failed or ended before the size given for it. Its entry is in the archive,
        // padded to that size, so the archive is no longer a faithful copy.
        SourceIncomplete,
        // Reading: no tar archive was found in the input.
        NotAnArchive,
        // Reading: the input ended inside the archive.
        EndsEarly,
        // Reading: the archive is broken before its input ends.
        Damaged,
        // Writing: libarchive refused an entry or a trailer.
        WriteFailed,
    };

    ArchiveError() = default;
    ArchiveError(Kind kind, int systemError = 0, QString libraryText = {});

    Kind kind() const { return m_kind; }
    bool isError() const { return m_kind != Kind::None; }
    int systemError() const { return m_systemError; }
    QString libraryText() const { return m_libraryText; }
    // One line for people: the kind, the system's words for the error number, libarchive's.
    QString errorString() const;

private:
    Kind m_kind = Kind::None;
    int m_systemError = 0;
    QString m_libraryText;
};

} // namespace Orrery
