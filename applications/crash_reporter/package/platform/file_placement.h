#pragma once

#include <QtGlobal>

#include <memory>
#include <optional>

class QFileDevice;
class QString;

namespace CrashReporter::Platform {

// Which file a name holds (its device and number there): a package is replaced or removed only
// while its name still holds the file the reporter placed there itself.
struct FileIdentity {
    quint64 device = 0;
    quint64 file = 0;

    bool operator==(const FileIdentity&) const = default;
};

enum class Placement { Placed, NameTaken, Failed };

enum class PlaceMode {
    CreateNew,  // a name that is taken, by whatever, is left alone
    Replace,    // whatever has the name is replaced: the operator chose it
    ReplaceOwn, // only the file given is replaced; another file at the name is left alone
};

// A new, empty file for the user alone (0600) in the folder, open for writing, under a name no
// package has. It goes away with the device unless it is placed.
std::unique_ptr<QFileDevice> createPackageFile(const QString& folder);

// The identity of an open file, and of what a path holds now (a link is not followed).
std::optional<FileIdentity> identityOf(QFileDevice& file);
std::optional<FileIdentity> identityAt(const QString& path);

// Puts the file's contents on the disk, so that a power cut cannot leave the name holding
// less, and gives the complete file the name `to` in the same folder in one step, so that a
// reader finds either nothing or the whole file there. ReplaceOwn checks the file at the name
// at the moment of the move: what is not `own` stays (NameTaken).
Placement placeFile(QFileDevice& file, const QString& to, PlaceMode mode,
                    const std::optional<FileIdentity>& own = {});

// Removes the file at the path only while it is `own`, checked at the moment of removal; true
// when it is gone.
bool removeOwnFile(const QString& path, const FileIdentity& own);

} // namespace CrashReporter::Platform
