#pragma once

#include "crash_analysis/minidump/minidump_scanner.h"
#include "package_format/package_reader.h"

// Reads the facts of a package's dump as the package is read: the reporter packs the dump as
// the first file, before the report; a file after the report counts only as a minidump.
class DumpFactsReader : public EntryDataReader
{
public:
    bool wants(const PackageEntry& entry, qsizetype index, bool afterReport) override;
    bool read(QByteArrayView chunk) override;
    void finish() override;

    // The facts, or why there are none as a sentence about the package.
    std::optional<CrashAnalysis::DumpFacts> facts() const { return m_facts; }
    QString problem() const;

private:
    std::optional<CrashAnalysis::MinidumpScanner> m_scanner;
    QString m_dumpName;
    bool m_afterReport = false;
    std::optional<CrashAnalysis::DumpFacts> m_facts;
    QString m_problem;
};
