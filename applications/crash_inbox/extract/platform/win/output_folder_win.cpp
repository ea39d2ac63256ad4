#include "crash_inbox/extract/platform/output_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace CrashInbox::Platform {

struct OutputFolder::Private {
    QString path;
};

namespace {

// Links and junctions are refused on the way; what appears between the look and the write is
// the remaining risk here.
bool isPlainFolder(const QString& path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink() && !info.isJunction();
}

QString parentOf(const QString& root, const QStringList& components, bool create, QString& error)
{
    QString path = root;
    for (qsizetype index = 0; index + 1 < components.size(); ++index) {
        path += QLatin1Char('/') + components.at(index);
        if (create && !QFileInfo::exists(path))
            QDir().mkdir(path);
        if (!isPlainFolder(path)) {
            error = QStringLiteral("a file or link is in the way");
            return {};
        }
    }
    return path;
}

} // namespace

OutputFolder::OutputFolder(const QString& path)
    : d(std::make_unique<Private>())
{
    if (QFileInfo(path).isDir())
        d->path = QFileInfo(path).absoluteFilePath();
}

OutputFolder::~OutputFolder() = default;

bool OutputFolder::isOpen() const
{
    return !d->path.isEmpty();
}

std::unique_ptr<QFile> OutputFolder::createFile(const QStringList& components, QString& error)
{
    const QString parent = parentOf(d->path, components, true, error);
    if (parent.isEmpty())
        return nullptr;
    auto file = std::make_unique<QFile>(parent + QLatin1Char('/') + components.last());
    if (!file->open(QIODevice::WriteOnly | QIODevice::NewOnly,
                    QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        error = file->exists() ? QStringLiteral("something of that name is there already")
                               : file->errorString();
        return nullptr;
    }
    return file;
}

bool OutputFolder::createFolder(const QStringList& components, QString& error)
{
    const QString parent = parentOf(d->path, components, true, error);
    if (parent.isEmpty())
        return false;
    const QString path = parent + QLatin1Char('/') + components.last();
    if (!QFileInfo::exists(path))
        QDir().mkdir(path);
    if (!isPlainFolder(path)) {
        error = QStringLiteral("a file or link is in the way");
        return false;
    }
    return true;
}

qint64 OutputFolder::bytesAvailable() const
{
    return QStorageInfo(d->path).bytesAvailable();
}

void OutputFolder::remove(const QStringList& components)
{
    QString error;
    const QString parent = parentOf(d->path, components, false, error);
    if (!parent.isEmpty())
        QFile::remove(parent + QLatin1Char('/') + components.last());
}

} // namespace CrashInbox::Platform
