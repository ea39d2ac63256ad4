#pragma once

#include "channel/crash_record.h"

#include <QDateTime>
#include <QFileDevice>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Everything one crash package is built from, taken at the moment of saving.
struct CrashPackageContents {
    QString dumpFilePath;
    QDateTime crashTime;
    std::optional<CrashRecord> record;
    QStringList outputLog;
    QString comments;
};

enum class PackageTarget {
    Replace,   // a complete package takes the place of whatever is at the target
    CreateNew, // the target must not exist yet; another writer may be racing for the name
};

enum class PackageResult { Written, TargetExists, Failed };
Q_DECLARE_METATYPE(PackageResult)

// Bytes of the entries packed so far, of all of them.
using PackageProgress = std::function<void(qint64 done, qint64 total)>;

// Writes the package: the dump file, "report.xml" and, when it can be read, the extra file.
// Anything short of a complete dump and report gives Failed and leaves the target as it was. The
// file is created with the given permissions (less the umask); none given means the usual ones.
PackageResult writeCrashPackage(const CrashPackageContents& contents, const QString& target,
                                PackageTarget mode, QFileDevice::Permissions permissions = {},
                                const PackageProgress& progress = {});

// Whether anything at all is at the path, a dangling symbolic link included.
bool isNameTaken(const QString& path);

// "<folder>Crash Report <number>.cdp"; the folder ends with "/".
QString automaticPackagePath(const QString& folder, int number);

// "report" gets ".cdp"; a name ending in ".cdp" (exactly) is kept.
QString withPackageExtension(const QString& fileName);
