#pragma once

#include "channel/crash_record.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// Everything one crash package is built from, taken at the moment of saving.
struct CrashPackageContents {
    QString dumpFilePath;
    QDateTime crashTime;
    std::optional<CrashRecord> record;
    const QStringList& outputLog;
    QString comments;
};

enum class PackageTarget {
    Replace,   // whatever is at the target is deleted first
    CreateNew, // the target must not exist yet; another writer may be racing for the name
};

enum class PackageResult { Written, TargetExists, Failed };

// Writes the package: the dump file, "report.xml" and, when there is one, the extra file.
// Anything short of a complete package removes the target and gives Failed.
PackageResult writeCrashPackage(const CrashPackageContents& contents, const QString& target,
                                PackageTarget mode);

// "<folder>Crash Report <number>.cdp"; the folder ends with "/".
QString automaticPackagePath(const QString& folder, int number);

// "report" gets ".cdp"; a name ending in ".cdp" (exactly) is kept.
QString withPackageExtension(const QString& fileName);
