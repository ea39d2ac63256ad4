#include "package/platform/file_placement.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {
namespace {

// The folder's entry for the new name reaches the disk as well.
void syncFolderOf(const QByteArray& path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(path)).absolutePath());
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    ::fsync(descriptor);
    ::close(descriptor);
}

Placement fromErrno()
{
    return errno == EEXIST ? Placement::NameTaken : Placement::Failed;
}

// Some file systems (FAT on a USB stick, some network shares) know neither renameat2's flag nor
// hard links; there the name is checked just before the move.
Placement moveIfFree(const QByteArray& from, const QByteArray& to)
{
    struct stat status {};
    if (::lstat(to.constData(), &status) == 0)
        return Placement::NameTaken;
    return ::rename(from.constData(), to.constData()) == 0 ? Placement::Placed : fromErrno();
}

Placement moveWithoutReplacing(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return Placement::Placed;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return fromErrno();
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return Placement::Placed;
    }
    if (errno == EEXIST)
        return Placement::NameTaken;
    return moveIfFree(from, to);
}

} // namespace

Placement placeFile(const QString& from, const QString& to, bool replace)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    Placement placement = Placement::Failed;
    if (replace)
        placement = ::rename(source.constData(), target.constData()) == 0 ? Placement::Placed
                                                                          : Placement::Failed;
    else
        placement = moveWithoutReplacing(source, target);
    if (placement == Placement::Placed)
        syncFolderOf(target);
    return placement;
}

bool syncToDisk(QFileDevice& file)
{
    return file.flush() && ::fsync(file.handle()) == 0;
}

} // namespace Platform
