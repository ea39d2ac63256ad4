#include "package/platform/file_placement.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

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

// Where the file system allows, QTemporaryFile opens an unnamed file (O_TMPFILE) that gets its
// name only when placed: a package cut short by SIGKILL or a power cut leaves nothing at all.
std::unique_ptr<QFileDevice> createPackageFile(const QString& folder)
{
    auto file = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/.q5-package-XXXXXX"));
    if (!file->open())
        return nullptr;
    return file;
}

Placement placeFile(QFileDevice& file, const QString& to, bool replace)
{
    auto* temporary = qobject_cast<QTemporaryFile*>(&file);
    if (!temporary || !file.flush() || ::fsync(file.handle()) != 0)
        return Placement::Failed;
    const QByteArray source = QFile::encodeName(temporary->fileName());
    const QByteArray target = QFile::encodeName(to);
    Placement placement = Placement::Failed;
    if (replace)
        placement = ::rename(source.constData(), target.constData()) == 0 ? Placement::Placed
                                                                          : Placement::Failed;
    else
        placement = moveWithoutReplacing(source, target);
    if (placement == Placement::Placed) {
        temporary->setAutoRemove(false);
        syncFolderOf(target);
    }
    return placement;
}

} // namespace Platform
