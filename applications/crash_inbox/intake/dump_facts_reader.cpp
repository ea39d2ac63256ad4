#include "dump_facts_reader.h"

bool DumpFactsReader::wants(const PackageEntry& entry, qsizetype, bool afterReport)
{
    if (!m_dumpName.isEmpty())
        return false;
    m_dumpName = entry.name;
    m_afterReport = afterReport;
    m_scanner.emplace();
    return true;
}

bool DumpFactsReader::read(QByteArrayView chunk)
{
    return m_scanner->feed(chunk);
}

void DumpFactsReader::finish()
{
    const CrashAnalysis::MinidumpParse parse = m_scanner->finish();
    m_facts = parse.facts;
    m_problem = parse.problem;
    m_scanner.reset();
}

QString DumpFactsReader::problem() const
{
    if (m_facts)
        return {};
    // After the report comes the extra file: a package whose dump is missing has one there.
    if (m_dumpName.isEmpty() || m_afterReport)
        return QStringLiteral("it holds no dump");
    return QStringLiteral("its dump %1 %2").arg(m_dumpName, m_problem);
}
