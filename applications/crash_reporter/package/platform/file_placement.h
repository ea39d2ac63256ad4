#pragma once

class QFileDevice;
class QString;

namespace Platform {

enum class Placement { Placed, NameTaken, Failed };

// Gives the complete, closed file at `from` the name `to` in the same folder in one step, so
// that a reader finds either nothing or the whole file there. Without `replace` a name that is
// taken, by whatever, is left alone.
Placement placeFile(const QString& from, const QString& to, bool replace);

// Puts the file's contents on the disk, so that a power cut after it took its name cannot
// leave that name holding less.
bool syncToDisk(QFileDevice& file);

} // namespace Platform
