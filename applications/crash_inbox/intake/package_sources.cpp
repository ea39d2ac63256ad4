#include "package_sources.h"

#include "orrery_core/platform/regular_file.h"
#include "package_format/content_type.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

bool isMaildir(const QString& path)
{
    return QFileInfo(path + QStringLiteral("/cur")).isDir() &&
           QFileInfo(path + QStringLiteral("/new")).isDir();
}

PackageSource::Kind kindOfFile(const QString& path)
{
    QString error;
    bool notRegular = false;
    const std::unique_ptr<QFile> file = Orrery::Platform::openRegularFile(path, error, notRegular);
    if (!file)
        return PackageSource::Kind::Package; // reading it will say why not
    const QMimeType type = contentType(*file);
    if (isGzipCompressed(type))
        return PackageSource::Kind::Package;
    if (type.inherits(QStringLiteral("application/mbox")))
        return PackageSource::Kind::Mbox;
    return PackageSource::Kind::Message;
}

QStringList filesBelow(const QString& folder, const QStringList& patterns)
{
    QStringList files;
    QDirIterator it(folder, patterns, QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

} // namespace

QList<PackageSource> packageSources(const QStringList& paths)
{
    QList<PackageSource> sources;
    for (const QString& given : paths) {
        // Filed as absolute paths: the inbox is used from any folder.
        const QFileInfo info(given);
        const QString path = info.absoluteFilePath();
        if (!info.exists()) {
            sources << PackageSource{PackageSource::Kind::Missing, path};
        } else if (info.isDir() && isMaildir(path)) {
            for (const char* part : {"/cur", "/new"})
                for (const QString& message : filesBelow(path + QLatin1String(part), {}))
                    sources << PackageSource{PackageSource::Kind::Message, message};
        } else if (info.isDir()) {
            for (const QString& file : filesBelow(path, {QStringLiteral("*.cdp")}))
                sources << PackageSource{PackageSource::Kind::Package, file};
        } else {
            sources << PackageSource{kindOfFile(path), path};
        }
    }
    return sources;
}
