#include "crash_channel_writer.h"
#include "dump_generator.h"
#include "shared_memory_publisher.h"
#include "simulator_options.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

enum ExitStatus { UsageError = 2, ChannelError = 3, ReporterError = 4 };

void say(const QString& text)
{
    std::cout << "controller-sim: " << text.toStdString() << std::endl;
}

bool writeDataFile(const SimulatorOptions& options)
{
    QFile file(options.dataFilePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = serializeCrashData(options.data);
    return file.write(bytes) == bytes.size() && file.flush();
}

bool prepareInputs(const SimulatorOptions& options, SharedMemoryPublisher& publisher)
{
    if (options.dumpSize >= 0) {
        if (!generateDumpFile(options.data.dumpFilePath, options.dumpSize, options.crashSite)) {
            say(QStringLiteral("cannot write dump file %1").arg(options.data.dumpFilePath));
            return false;
        }
        say(QStringLiteral("dump file %1 (%2 bytes)")
                .arg(options.data.dumpFilePath)
                .arg(options.dumpSize));
    }
    const QByteArray record = serializeCrashRecord(options.record);
    if (!publisher.publish(record, options.blockSize)) {
        say(publisher.errorString());
        return false;
    }
    if (!publisher.notes().isEmpty())
        say(publisher.notes().trimmed());
    say(QStringLiteral("record written to block \"%1\" (%2 bytes: %3)")
            .arg(crashChannelKeyFor(options.instance))
            .arg(record.size())
            .arg(QString::fromLatin1(record.toHex(' '))));
    if (options.writeDataFile) {
        if (!writeDataFile(options)) {
            say(QStringLiteral("cannot write crash data file %1").arg(options.dataFilePath));
            return false;
        }
        say(QStringLiteral("crash data file %1").arg(options.dataFilePath));
    }
    return true;
}

// Keeps the block until whoever started us closes our standard input.
int holdBlock()
{
    std::cout << "ready" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return 0;
}

int runReporter(const SimulatorOptions& options)
{
    QProcess reporter;
    reporter.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reporter.start(options.reporterPath, options.reporterArguments);
    if (!reporter.waitForStarted()) {
        say(QStringLiteral("cannot start %1: %2")
                .arg(options.reporterPath, reporter.errorString()));
        return ReporterError;
    }
    const int timeoutMs = options.timeoutSeconds > 0 ? options.timeoutSeconds * 1000 : -1;
    while (!reporter.canReadLine() && reporter.state() == QProcess::Running)
        reporter.waitForReadyRead(timeoutMs);
    const QByteArray firstLine = reporter.readLine().trimmed();
    const bool connected = firstLine == "connected";
    say(connected ? QStringLiteral("reporter said \"connected\"")
                  : QStringLiteral("reporter's first line was \"%1\", not \"connected\"")
                        .arg(QString::fromLocal8Bit(firstLine)));

    if (!reporter.waitForFinished(timeoutMs)) {
        say(QStringLiteral("reporter did not end in time; killing it"));
        reporter.kill();
        reporter.waitForFinished();
        return ReporterError;
    }
    const QByteArray rest = reporter.readAll();
    if (!rest.isEmpty())
        say(QStringLiteral("reporter also wrote: %1").arg(QString::fromLocal8Bit(rest)));
    if (reporter.exitStatus() != QProcess::NormalExit) {
        say(QStringLiteral("reporter crashed"));
        return ReporterError;
    }
    say(QStringLiteral("reporter exited with status %1").arg(reporter.exitCode()));
    return connected ? reporter.exitCode() : ReporterError;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("q5-controller-sim"));
    const std::optional<SimulatorOptions> options = parseSimulatorOptions(application);
    if (!options)
        return UsageError;

    SharedMemoryPublisher publisher(crashChannelKeyFor(options->instance));
    if (!prepareInputs(*options, publisher))
        return ChannelError;
    return options->hold ? holdBlock() : runReporter(*options);
}
