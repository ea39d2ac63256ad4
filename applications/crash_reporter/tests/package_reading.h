#pragma once

#include <QProcess>
#include <QStringList>

// Reads packages back with GNU tar, independently of the archive class that wrote them.
namespace PackageReading {

inline QByteArray runTar(const QStringList& arguments, int* exitCode = nullptr)
{
    QProcess tar;
    tar.start("tar", arguments);
    tar.waitForFinished(60000);
    if (exitCode != nullptr)
        *exitCode = tar.exitStatus() == QProcess::NormalExit ? tar.exitCode() : -1;
    return tar.readAllStandardOutput();
}

// Entry names in archive order; empty when tar cannot read the package.
inline QStringList entryNames(const QString& package)
{
    int exitCode = -1;
    const QByteArray listing = runTar({"-tzf", package}, &exitCode);
    if (exitCode != 0)
        return {};
    return QString::fromUtf8(listing).split('\n', Qt::SkipEmptyParts);
}

inline QByteArray entryData(const QString& package, const QString& entry)
{
    return runTar({"-xzOf", package, entry});
}

} // namespace PackageReading
