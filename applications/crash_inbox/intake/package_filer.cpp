#include "package_filer.h"

#include "crash_inbox/analysis/crash_filing.h"
#include "crash_inbox/store/crash_encoding.h"
#include "crash_inbox/store/package_store.h"
#include "crash_inbox/store/stored_symbols.h"
#include "dump_facts_reader.h"
#include "mail_reader.h"
#include "package_sources.h"

#include <QtConcurrent/QtConcurrentMap>

namespace {

using Reading = PackageFiler::Reading;

// The crash's parts that the database keeps as bytes are made here too, on the pool.
Reading readOne(const QString& path)
{
    DumpFactsReader dump;
    PackageReading reading = readPackage(path, &dump);
    const std::optional<CrashAnalysis::DumpFacts> facts = dump.facts();
    return {path,
            std::move(reading),
            facts,
            dump.problem(),
            facts ? CrashEncoding::encodeThread(facts->thread) : QByteArray(),
            facts ? CrashEncoding::encodeModules(facts->modules) : QByteArray()};
}

FilingOutcome rejection(const QString& path, const QString& reason)
{
    return {FilingOutcome::Kind::Rejected, 0, path, reason};
}

} // namespace

FiledPackage filedPackage(const PackageSummary& summary, const QString& file)
{
    FiledPackage package;
    package.sha256 = summary.sha256;
    package.file = file;
    package.fileSize = summary.fileSize;
    package.report = summary.report;
    package.entries = summary.entries;
    return package;
}

PackageFiler::PackageFiler(PackageStore& store, FilingListener& listener, qsizetype expected)
    : m_store(store)
    , m_listener(listener)
    , m_expected(expected)
{}

bool PackageFiler::addSources(const QList<PackageSource>& sources)
{
    for (const PackageSource& source : sources) {
        switch (source.kind) {
        case PackageSource::Kind::Missing:
            reject(source.path, QStringLiteral("it does not exist"));
            break;
        case PackageSource::Kind::Package:
            addFile(source.path);
            break;
        case PackageSource::Kind::Mbox:
        case PackageSource::Kind::Message:
            addMail(source.path, source.kind == PackageSource::Kind::Mbox);
            break;
        }
    }
    return flush();
}

PackageFiler::~PackageFiler()
{
    m_reading.waitForFinished();
}

void PackageFiler::addFile(const QString& path, qint64 replaces)
{
    if (replaces != 0)
        m_replacing.insert(path, replaces);
    m_waiting << path;
    if (m_waiting.size() >= BatchSize)
        readNextBatch();
}

// The waiting batch is read on the pool while the one read before is filed, so that neither
// the cores nor the database wait for the other.
void PackageFiler::readNextBatch()
{
    QFuture<Reading> previous =
        std::exchange(m_reading, QtConcurrent::mapped(std::exchange(m_waiting, {}), readOne));
    fileBatch(previous);
}

// After what waits, so that the outcomes keep the order of the sources.
void PackageFiler::reject(const QString& path, const QString& reason)
{
    flush();
    m_listener.filed(rejection(path, reason));
    ++m_done;
    showProgress();
}

bool PackageFiler::flush()
{
    if (!m_waiting.isEmpty())
        readNextBatch();
    fileBatch(std::exchange(m_reading, {}));
    return !m_failed;
}

void PackageFiler::fileBatch(QFuture<Reading> batch)
{
    const QList<Reading> readings = batch.results();
    if (m_failed || readings.isEmpty())
        return;
    QList<FiledPackage> packages;
    QList<Outcome> outcomes;
    StoredSymbols symbols(m_store.database());
    for (const Reading& reading : readings) {
        if (reading.reading.package) {
            outcomes << packages.size();
            packages << filedPackage(*reading.reading.package, reading.path);
            packages.last().replaces = m_replacing.take(reading.path);
            attachCrash(packages.last(), reading.facts, reading.crashProblem, &symbols);
            if (packages.last().crash) {
                packages.last().crash->encodedThread = reading.encodedThread;
                packages.last().crash->encodedModules = reading.encodedModules;
            }
        } else {
            outcomes << rejection(reading.path, reading.reading.problem);
        }
    }
    m_done += readings.size();
    if (!symbols.error().isEmpty()) {
        fail(symbols.error());
        return;
    }
    file(packages, outcomes);
    showProgress();
}

// Mail is filed a batch of packages at a time, as files are: an mbox of thousands of
// messages is neither one transaction nor held whole.
void PackageFiler::addMail(const QString& path, bool mbox)
{
    if (!flush())
        return;
    QList<FiledPackage> packages;
    QList<Outcome> outcomes;
    QString error;
    StoredSymbols symbols(m_store.database());
    int found = 0;
    const auto fileBatch = [&] {
        if (!symbols.error().isEmpty())
            fail(symbols.error());
        file(std::exchange(packages, {}), std::exchange(outcomes, {}));
    };
    const bool read = forEachMailPackage(
        path, mbox,
        [&](const MailAttachment& attachment, QFile& content) {
            ++found;
            const QString locator = attachment.locator(path);
            DumpFactsReader dump;
            const PackageReading reading = readPackageFile(content, &dump);
            if (!reading.package) {
                outcomes << rejection(locator, reading.problem);
            } else {
                FiledPackage package = filedPackage(*reading.package, locator);
                attachCrash(package, dump.facts(), dump.problem(), &symbols);
                package.mailSender = attachment.sender;
                package.mailDate = attachment.date;
                package.mailOffset = attachment.offset;
                outcomes << packages.size();
                packages << package;
            }
            if (packages.size() >= BatchSize)
                fileBatch();
        },
        error);
    if (!read)
        outcomes << rejection(path, error);
    else if (found == 0)
        outcomes << rejection(path, QStringLiteral("no crash package is in it"));
    ++m_done;
    fileBatch();
    showProgress();
}

void PackageFiler::file(const QList<FiledPackage>& packages, const QList<Outcome>& outcomes)
{
    if (m_failed)
        return;
    QList<PackageStore::Filing> filings;
    if (!packages.isEmpty()) {
        const auto filed = m_store.file(packages, m_error);
        if (!filed) {
            m_failed = true;
            return;
        }
        filings = *filed;
    }
    for (const Outcome& outcome : outcomes) {
        if (const auto* rejected = std::get_if<FilingOutcome>(&outcome)) {
            m_listener.filed(*rejected);
            continue;
        }
        const qsizetype index = std::get<qsizetype>(outcome);
        const PackageStore::Filing& filing = filings.at(index);
        const FilingOutcome::Kind kind = filing.added      ? FilingOutcome::Kind::Added
                                         : filing.replaced ? FilingOutcome::Kind::Updated
                                                           : FilingOutcome::Kind::Known;
        m_listener.filed({kind, filing.id, packages.at(index).file, {}});
    }
}

bool PackageFiler::fail(const QString& error)
{
    m_failed = true;
    m_error = error;
    return false;
}

void PackageFiler::showProgress()
{
    if (m_expected > BatchSize)
        m_listener.progressed(m_done, m_expected);
}
