#include "crash_inbox/extract/platform/output_folder.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace CrashInbox::Platform {

struct OutputFolder::Private {
    int folder = -1;
};

namespace {

QString reason()
{
    return errno == ELOOP ? QStringLiteral("a symbolic link is in the way")
                          : QString::fromLocal8Bit(std::strerror(errno));
}

// The folder that holds the last component, each one on the way opened without following a
// link (and made first when asked to); the caller closes it when it is not the root.
int openParent(int root, const QStringList& components, bool create, QString& error)
{
    int current = root;
    for (qsizetype index = 0; index + 1 < components.size(); ++index) {
        const QByteArray name = QFile::encodeName(components.at(index));
        if (create && ::mkdirat(current, name.constData(), 0700) != 0 && errno != EEXIST) {
            error = reason();
            if (current != root)
                ::close(current);
            return -1;
        }
        const int next =
            ::openat(current, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int saved = errno;
        if (current != root)
            ::close(current);
        if (next < 0) {
            errno = saved;
            error = errno == ENOTDIR || errno == ELOOP
                        ? QStringLiteral("a file or link is in the way")
                        : reason();
            return -1;
        }
        current = next;
    }
    return current;
}

} // namespace

OutputFolder::OutputFolder(const QString& path)
    : d(std::make_unique<Private>())
{
    d->folder = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

OutputFolder::~OutputFolder()
{
    if (d->folder >= 0)
        ::close(d->folder);
}

bool OutputFolder::isOpen() const
{
    return d->folder >= 0;
}

std::unique_ptr<QFile> OutputFolder::createFile(const QStringList& components, QString& error)
{
    const int parent = openParent(d->folder, components, true, error);
    if (parent < 0)
        return nullptr;
    const int descriptor = ::openat(parent, QFile::encodeName(components.last()).constData(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0)
        error =
            errno == EEXIST ? QStringLiteral("something of that name is there already") : reason();
    if (parent != d->folder)
        ::close(parent);
    if (descriptor < 0)
        return nullptr;
    auto file = std::make_unique<QFile>();
    file->open(descriptor, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
    return file;
}

bool OutputFolder::createFolder(const QStringList& components, QString& error)
{
    const int parent = openParent(d->folder, components, true, error);
    if (parent < 0)
        return false;
    const QByteArray name = QFile::encodeName(components.last());
    struct stat status {};
    const bool made = ::mkdirat(parent, name.constData(), 0700) == 0 ||
                      (errno == EEXIST &&
                       ::fstatat(parent, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                       S_ISDIR(status.st_mode));
    if (!made)
        error = errno == EEXIST ? QStringLiteral("a file or link is in the way") : reason();
    if (parent != d->folder)
        ::close(parent);
    return made;
}

qint64 OutputFolder::bytesAvailable() const
{
    struct statvfs status {};
    if (d->folder < 0 || ::fstatvfs(d->folder, &status) != 0)
        return -1;
    return qint64(status.f_bavail) * qint64(status.f_frsize);
}

void OutputFolder::remove(const QStringList& components)
{
    QString error;
    const int parent = openParent(d->folder, components, false, error);
    if (parent < 0)
        return;
    ::unlinkat(parent, QFile::encodeName(components.last()).constData(), 0);
    if (parent != d->folder)
        ::close(parent);
}

} // namespace CrashInbox::Platform
