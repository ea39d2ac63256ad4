#include "crash_reporter/package/platform/file_placement.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace CrashReporter::Platform {
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

std::optional<FileIdentity> identityAtPath(const QByteArray& path)
{
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0)
        return std::nullopt;
    return FileIdentity{quint64(status.st_dev), quint64(status.st_ino)};
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

bool exchangeUnsupported()
{
    return errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
}

// The names swap in one step, so the file the name held is looked at after it left the name
// and before anything is lost: another's goes back at once.
Placement replaceOwn(const QByteArray& from, const QByteArray& to, const FileIdentity& own)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) != 0) {
        if (errno == ENOENT)
            return moveWithoutReplacing(from, to);
        if (!exchangeUnsupported())
            return Placement::Failed;
        // A file system without the exchange: checked just before the move.
        const std::optional<FileIdentity> there = identityAtPath(to);
        if (!there)
            return moveWithoutReplacing(from, to);
        if (*there != own)
            return Placement::NameTaken;
        return ::rename(from.constData(), to.constData()) == 0 ? Placement::Placed
                                                               : Placement::Failed;
    }
    if (identityAtPath(from) == own) {
        ::unlink(from.constData());
        return Placement::Placed;
    }
    ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE);
    return Placement::NameTaken;
}

} // namespace

std::optional<FileIdentity> identityOf(QFileDevice& file)
{
    struct stat status {};
    if (::fstat(file.handle(), &status) != 0)
        return std::nullopt;
    return FileIdentity{quint64(status.st_dev), quint64(status.st_ino)};
}

std::optional<FileIdentity> identityAt(const QString& path)
{
    return identityAtPath(QFile::encodeName(path));
}

// Moved aside first, so that the file looked at is the file removed; another's is put back.
bool removeOwnFile(const QString& path, const FileIdentity& own)
{
    const QByteArray name = QFile::encodeName(path);
    const QByteArray aside = name + ".q5-checking-" + QByteArray::number(::getpid());
    if (::renameat2(AT_FDCWD, name.constData(), AT_FDCWD, aside.constData(), RENAME_NOREPLACE) !=
        0) {
        if (!exchangeUnsupported())
            return false;
        if (identityAtPath(name) != own)
            return false;
        return ::unlink(name.constData()) == 0;
    }
    if (identityAtPath(aside) == own)
        return ::unlink(aside.constData()) == 0;
    // Should the name be taken again meanwhile, the file stays beside it, under a name of its own.
    moveWithoutReplacing(aside, name);
    return false;
}

// Where the file system allows, QTemporaryFile opens an unnamed file (O_TMPFILE) that gets its
// name only when placed: a package cut short by SIGKILL or a power cut leaves nothing at all.
std::unique_ptr<QFileDevice> createPackageFile(const QString& folder)
{
    auto file = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/.q5-package-XXXXXX"));
    if (!file->open())
        return nullptr;
    return file;
}

Placement placeFile(QFileDevice& file, const QString& to, PlaceMode mode,
                    const std::optional<FileIdentity>& own)
{
    auto* temporary = qobject_cast<QTemporaryFile*>(&file);
    if (!temporary || !file.flush() || ::fsync(file.handle()) != 0)
        return Placement::Failed;
    const QByteArray source = QFile::encodeName(temporary->fileName());
    const QByteArray target = QFile::encodeName(to);
    Placement placement = Placement::Failed;
    if (mode == PlaceMode::Replace)
        placement = ::rename(source.constData(), target.constData()) == 0 ? Placement::Placed
                                                                          : Placement::Failed;
    else if (mode == PlaceMode::ReplaceOwn && own)
        placement = replaceOwn(source, target, *own);
    else
        placement = moveWithoutReplacing(source, target);
    if (placement == Placement::Placed) {
        temporary->setAutoRemove(false);
        syncFolderOf(target);
    }
    return placement;
}

} // namespace CrashReporter::Platform
