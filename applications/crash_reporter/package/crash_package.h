#pragma once

#include "crash_reporter/channel/crash_record.h"
#include "crash_reporter/package/platform/file_placement.h"

#include <QDateTime>
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
    // The dump was left out on purpose: the folder's automatic packages are at their limits.
    bool dumpLeftOut = false;
};

enum class PackageTarget {
    Replace,    // a complete package takes the place of whatever is at the target
    CreateNew,  // the target must not exist yet; another writer may be racing for the name
    ReplaceOwn, // only the reporter's own package at the target is replaced, none other
};

enum class PackageResult { Written, TargetExists, Failed };

// Why a file meant for the package is not in it.
enum class SourceProblem {
    None,
    NotNamed,       // no path was given
    NotFound,       // nothing is there, or a link that leads nowhere
    NotRegularFile, // a folder, a FIFO, a device
    Unreadable,     // it would not open; the system's words say why
    ReadIncomplete, // it failed or ended early while it was packed
    LeftOut,        // the folder holds as many automatic packages as it may
};

struct PackageOutcome {
    PackageResult result = PackageResult::Failed;
    // The package holds the report (and the extra file) without the dump when this is set.
    SourceProblem dumpProblem = SourceProblem::None;
    QString dumpProblemDetail;
    // The file written, and its size: what the name must still hold to count as this package.
    std::optional<CrashReporter::Platform::FileIdentity> written;
    qint64 size = 0;
};
Q_DECLARE_METATYPE(PackageOutcome)

inline PackageOutcome outcomeOf(PackageResult result)
{
    return {result, SourceProblem::None, {}, std::nullopt, 0};
}

// Bytes of the entries packed so far, of all of them.
using PackageProgress = std::function<void(qint64 done, qint64 total)>;

// Writes the package: the dump file, "report.xml" and the extra file, each file only when it is
// a regular file that can be read in full. The report is always there: a dump that is missing or
// unreadable leaves the package without it (debug message and outcome say why). The package is
// the user's alone (0600) and takes its name only once it is complete; a failure leaves the
// target as it was. ReplaceOwn replaces only the file `own` at the target (TargetExists when
// another is there).
PackageOutcome
writeCrashPackage(const CrashPackageContents& contents, const QString& target, PackageTarget mode,
                  const PackageProgress& progress = {},
                  const std::optional<CrashReporter::Platform::FileIdentity>& own = {});

// Whether anything at all is at the path, a dangling symbolic link included.
bool isNameTaken(const QString& path);

// "<folder>Crash Report <number>.cdp"; the folder ends with "/".
QString automaticPackagePath(const QString& folder, int number);
// "Crash Report *.cdp", for finding them.
QString automaticPackageNamePattern();

// "report" gets ".cdp"; a name ending in ".cdp" (exactly) is kept.
QString withPackageExtension(const QString& fileName);

// The English words for a problem, for debug messages.
QString describeSourceProblem(SourceProblem problem, const QString& detail);
