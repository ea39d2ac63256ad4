#pragma once

#include <QString>

// How much automatic packages may take, so that a console that crashes every minute never
// fills the disk its controller runs from: at most `count` of them in a folder, together at most
// `percent` of the file system's size. Past that, an automatic package still keeps the report,
// the comments and the extra file, and leaves the dump out; no package is ever deleted for it.
struct PackageLimits {
    int count = 100;
    double percent = 5.0;

    // The defaults, or what Q5_CRASH_DUMPS_MAX_COUNT and Q5_CRASH_DUMPS_MAX_PERCENT say.
    static PackageLimits fromEnvironment();
};

// Whether one more automatic package, with a dump of that size, stays within the limits in the
// folder; the package at `replacing`, if any, gives up its room.
bool dumpFits(const QString& folder, qint64 dumpSize, const PackageLimits& limits,
              const QString& replacing = {});
