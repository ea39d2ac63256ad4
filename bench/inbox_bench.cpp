// Input for the inbox benchmark (bench/inbox.sh).
//   inbox_bench packages <folder> <count> <dump bytes>: crash packages with dump-like dumps,
//     each of its own content, written as the reporter writes them
//   inbox_bench fill <database> <count>: filed reports without archives, through the inbox's
//     own filing code, each with three words of a vocabulary of 5,000 in its comments and a
//     signature of 400, most of them of 20
//   inbox_bench words <count>: that many words of the vocabulary, one a line
#include "controller_sim/dump_generator.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"
#include "orrery_core/io/archive_writer.h"
#include "package_format/report_writer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QXmlStreamWriter>

#include <cstdio>

namespace {

constexpr int Vocabulary = 5000;
constexpr int Groups = 400;

QString word(int index)
{
    return QStringLiteral("w%1").arg(index);
}

ReportDocument report(int number, QRandomGenerator& random)
{
    ReportDocument report;
    report.date = QDate(2026, 1, 1).addDays(number % 300);
    report.time = QTime(0, 0).addSecs(number % 86400);
    report.application = ReportDocument::Application{
        QStringLiteral("Q5-PC"), QStringLiteral("SN-%1").arg(number % 97),
        QStringLiteral("6.4.%1").arg(number % 5), QStringLiteral("Linux")};
    report.comments = QStringLiteral("crash %1 %2 %3 %4")
                          .arg(number)
                          .arg(word(random.bounded(Vocabulary)), word(random.bounded(Vocabulary)),
                               word(random.bounded(Vocabulary)));
    report.outputLog = {QStringLiteral("DMX universe %1 lost").arg(number % 16),
                        QStringLiteral("show file loaded")};
    return report;
}

int packages(const QString& folder, int count, qint64 dumpBytes)
{
    const QString dump = folder + QStringLiteral("/dump.bin");
    if (!generateDumpFile(dump, dumpBytes))
        return 1;
    QFile source(dump);
    if (!source.open(QIODevice::ReadOnly))
        return 1;
    QRandomGenerator random(1);
    for (int number = 0; number < count; ++number) {
        QBuffer xml;
        xml.open(QIODevice::WriteOnly);
        writeReportDocument(*makeReportWriter(), &xml, report(number, random));
        QFile file(folder + QStringLiteral("/%1.cdp").arg(number, 5, 10, QLatin1Char('0')));
        Orrery::ArchiveWriter archive;
        source.seek(0);
        if (!file.open(QIODevice::WriteOnly) || !archive.open(&file) ||
            !archive.addFile(source, dumpBytes, QStringLiteral("c.dmp")) ||
            !archive.addData(xml.data(), QStringLiteral("report.xml")) || !archive.close())
            return 1;
    }
    return QFile::remove(dump) ? 0 : 1;
}

int fill(const QString& databaseText, int count)
{
    QString error;
    const auto location = parseDatabaseLocation(databaseText, error);
    const auto database = location ? InboxDatabase::open(*location, error) : nullptr;
    if (!database) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    PackageStore store(*database);
    QRandomGenerator random(2);
    constexpr int Batch = 1000;
    for (int first = 0; first < count; first += Batch) {
        QList<FiledPackage> batch;
        for (int number = first; number < std::min(count, first + Batch); ++number) {
            FiledPackage package;
            package.sha256 = QByteArray::number(number).rightJustified(64, '0');
            package.file = QStringLiteral("/bench/%1.cdp").arg(number);
            package.report = report(number, random);
            // Most crashes fall into a few groups, the rest into many small ones.
            const int group = random.bounded(10) < 8 ? random.bounded(20) : random.bounded(Groups);
            package.signature = QStringLiteral("q5pc!Lamp::update%1").arg(group);
            batch << package;
        }
        if (!store.file(batch, error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString command = arguments.value(1);
    if (command == QLatin1String("packages") && arguments.size() == 5)
        return packages(arguments[2], arguments[3].toInt(), arguments[4].toLongLong());
    if (command == QLatin1String("fill") && arguments.size() == 4)
        return fill(arguments[2], arguments[3].toInt());
    if (command == QLatin1String("words") && arguments.size() == 3) {
        QRandomGenerator random(3);
        for (int count = arguments[2].toInt(); count > 0; --count)
            std::printf("%s\n", qPrintable(word(random.bounded(Vocabulary))));
        return 0;
    }
    std::fprintf(stderr, "usage: inbox_bench packages DIR COUNT BYTES | fill DATABASE COUNT | "
                         "words COUNT\n");
    return 2;
}
