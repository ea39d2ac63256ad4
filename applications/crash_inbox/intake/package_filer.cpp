#include "package_filer.h"

#include "mail_reader.h"
#include "package_sources.h"
#include "store/package_store.h"
#include "text/printable.h"

#include <QtConcurrent/QtConcurrentMap>

namespace {

// Packages read and filed together: enough to keep every core busy and to make transactions
// worth their cost, few enough to keep memory flat.
constexpr qsizetype BatchSize = 64;

struct Reading {
    QString path;
    PackageReading reading;
};

Reading readOne(const QString& path)
{
    return {path, readPackage(path)};
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

PackageFiler::PackageFiler(PackageStore& store, QTextStream& out, FilingProgress* progress,
                           qsizetype expected)
    : m_store(store)
    , m_out(out)
    , m_progress(progress)
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

void PackageFiler::addFile(const QString& path)
{
    m_waiting << path;
    if (m_waiting.size() >= BatchSize)
        flush();
}

void PackageFiler::reject(const QString& path, const QString& reason)
{
    if (m_progress)
        m_progress->clear();
    m_out << "rejected " << printable(path) << ": " << printable(reason) << Qt::endl;
    ++m_rejected;
}

bool PackageFiler::flush()
{
    if (m_failed)
        return false;
    const QStringList paths = std::exchange(m_waiting, {});
    const QList<Reading> readings = QtConcurrent::blockingMapped(paths, readOne);
    QList<FiledPackage> packages;
    QList<std::variant<qsizetype, QString>> lines;
    for (const Reading& reading : readings) {
        if (reading.reading.package) {
            lines << packages.size();
            packages << filedPackage(*reading.reading.package, reading.path);
        } else {
            lines << reading.path + QStringLiteral(": ") + reading.reading.problem;
        }
    }
    m_done += paths.size();
    file(packages, lines);
    showProgress();
    return !m_failed;
}

void PackageFiler::addMail(const QString& path, bool mbox)
{
    if (!flush())
        return;
    QList<FiledPackage> packages;
    QList<std::variant<qsizetype, QString>> lines;
    QString error;
    const bool read = forEachMailPackage(
        path, mbox,
        [&](const MailAttachment& attachment, QFile& content) {
            const QString locator = attachment.locator(path);
            const PackageReading reading = readPackageFile(content);
            if (!reading.package) {
                lines << locator + QStringLiteral(": ") + reading.problem;
                return;
            }
            FiledPackage package = filedPackage(*reading.package, locator);
            package.mailSender = attachment.sender;
            package.mailDate = attachment.date;
            lines << packages.size();
            packages << package;
        },
        error);
    if (!read)
        lines << path + QStringLiteral(": ") + error;
    ++m_done;
    file(packages, lines);
    showProgress();
}

void PackageFiler::file(const QList<FiledPackage>& packages,
                        const QList<std::variant<qsizetype, QString>>& lines)
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
    if (m_progress)
        m_progress->clear();
    for (const auto& line : lines) {
        if (const auto* rejection = std::get_if<QString>(&line)) {
            m_out << "rejected " << printable(*rejection) << Qt::endl;
            ++m_rejected;
            continue;
        }
        const qsizetype index = std::get<qsizetype>(line);
        m_out << (filings.at(index).added ? "added " : "known ") << filings.at(index).id << ' '
              << printable(packages.at(index).file) << Qt::endl;
    }
}

void PackageFiler::showProgress()
{
    if (m_progress && m_expected > BatchSize)
        m_progress->show(m_done, m_expected);
}
