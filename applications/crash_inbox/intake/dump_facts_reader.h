#pragma once

#include "crash_analysis/minidump/minidump_scanner.h"
#include "package_reader.h"

// Reads the facts of a package's dump, its first entry, as the package is read.
class DumpFactsReader : public EntryDataReader
{
public:
    bool wants(const PackageEntry& entry, qsizetype index) override;
    bool read(QByteArrayView chunk) override;
    void finish() override;

    // The facts, or why there are none as a sentence about the package.
    std::optional<CrashAnalysis::DumpFacts> facts() const { return m_facts; }
    QString problem() const;

private:
    std::optional<CrashAnalysis::MinidumpScanner> m_scanner;
    QString m_dumpName;
    std::optional<CrashAnalysis::DumpFacts> m_facts;
    QString m_problem;
};
