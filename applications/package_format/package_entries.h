#pragma once

#include <QString>

// The names of a package's entries. The dump keeps its own file name and the report is always
// "report.xml"; a later entry whose name an earlier one holds gets a prefix, so that no two
// entries share a name, not even on a file system that ignores case, and a reader never takes
// the wrong one.
namespace PackageEntries {

inline constexpr char Report[] = "report.xml";

// The dump's file name; a dump named like the report becomes "dump-report.xml".
QString dumpName(const QString& dumpFileName);

// The extra file's name; one named like the report or the dump gets "extra-" (then
// "extra-2-", "extra-3-", …) before it.
QString extraName(const QString& extraFileName, const QString& dumpEntryName);

} // namespace PackageEntries
