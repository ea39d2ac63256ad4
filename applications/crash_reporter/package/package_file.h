#pragma once

#include "crash_package.h"

#include <QFileDevice>

#include <memory>

// A package while it is written: a hidden file beside its final name, readable by the user
// alone, that takes the name only once it is complete and on the disk. Until then, and when
// it is dropped, the name holds whatever it held before.
class PackageFile
{
public:
    explicit PackageFile(const QString& target);

    bool open();
    QFileDevice& device() { return *m_file; }
    // Replace puts the package in place of whatever has the name; CreateNew never touches a
    // name that is taken; ReplaceOwn replaces only the file `own`.
    PackageResult place(PackageTarget mode,
                        const std::optional<CrashReporter::Platform::FileIdentity>& own);
    std::optional<CrashReporter::Platform::FileIdentity> identity();

private:
    QString m_target;
    std::unique_ptr<QFileDevice> m_file;
};
