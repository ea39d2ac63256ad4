#pragma once

#include <memory>

class QFile;
class QFileDevice;
class QString;

namespace Platform {

enum class Placement { Placed, NameTaken, Failed };

// A new, empty file for the user alone (0600) in the folder, open for writing, under a name no
// package has. It goes away with the device unless it is placed.
std::unique_ptr<QFileDevice> createPackageFile(const QString& folder);

// Puts the file's contents on the disk, so that a power cut cannot leave the name holding
// less, and gives the complete file the name `to` in the same folder in one step, so that a
// reader finds either nothing or the whole file there. Without `replace` a name that is taken,
// by whatever, is left alone.
Placement placeFile(QFileDevice& file, const QString& to, bool replace);

} // namespace Platform
