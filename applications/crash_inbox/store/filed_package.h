#pragma once

#include "crash_analysis/crash_summary.h"
#include "crash_inbox/triage/triage_state.h"
#include "package_format/package_reader.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// What the desk read from a package's dump, and where that puts the crash.
struct FiledCrash {
    CrashAnalysis::DumpFacts facts;
    CrashAnalysis::CrashSummary summary;
    // The thread and modules as the database keeps them, when made already (off the
    // database's thread, where the dump was read).
    QByteArray encodedThread;
    QByteArray encodedModules;
};

// A package as the inbox knows it: where it was found, its content's hash, its report and its
// entries, for one that came by e-mail its sender and date, and its crash.
struct FiledPackage {
    qint64 id = 0; // 0: not filed
    QByteArray sha256;
    QString file;
    qint64 fileSize = 0;
    ReportDocument report;
    QList<PackageEntry> entries;
    QString mailSender;
    QDateTime mailDate;
    std::optional<qint64> mailOffset; // where its message starts in an mbox
    // What groups it with crashes of the same cause; "no dump facts" without them.
    QString signature;
    std::optional<FiledCrash> crash;
    QString crashProblem; // why there is no crash, a sentence about the package
    // The filed package this one brings up to date: the same crash, sent again by its console
    // with what the operator typed since. 0: none.
    qint64 replaces = 0;
};

// The crashes of one device and version.
struct CrashGroup {
    std::optional<QString> device;
    std::optional<QString> version;
    int count = 0;
    QStringList serials;
    QDateTime first;
    QDateTime last;
};

// The crashes of one cause: one signature.
struct SignatureGroup {
    QString signature;
    int count = 0;
    QDateTime first;
    QDateTime last;
    QStringList versions; // in the order of releases
    QStringList devices;
    QStringList serials;
    QString firstVersion;
    QString lastVersion;
    GroupTriage triage;
};

// How packages are listed: by default the newest crash first. Crashes without a date come last
// either way, and packages that compare equal keep the newest filing first.
struct PackageOrder {
    enum class Key { Crashed, Id, Serial, Version, Comments };
    Key key = Key::Crashed;
    bool descending = true;
    // The versions known, in the order of their releases: versions sort by it, the others last.
    QStringList releases;
    // The same rows, read from the end of the order with the offset counted from there: the
    // last pages of a long listing without passing over all the rows before them.
    bool fromEnd = false;
};

// The packages to list: all that match every filter given, `offset` of them passed over and
// at most `limit` (when not 0) listed.
struct PackageFilter {
    QString search; // words in the comments or the output log
    QString device;
    QString version;
    QString serial;
    // Only the crashes of this group's device and version; absent values match absent ones.
    std::optional<CrashGroup> group;
    QString signature;
    qint64 id = 0; // only this package, when not 0
    qint64 limit = 0;
    qint64 offset = 0;
    // Crashed on these days or between them; an invalid day bounds nothing. Crashes without a
    // date are left out by either.
    QDate crashedFrom{};
    QDate crashedTo{};
    PackageOrder order{};
};

// How many crashes of a version a day saw.
struct DayCrashes {
    QDate day;
    QString version;
    int count = 0;
};
