#include "simulator_options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

struct OptionSet {
    QCommandLineOption instance{QStringLiteral("instance"),
                                QStringLiteral("Instance number: key VarnelQ5SM_<n>, and "
                                               "passed as the reporter's second argument."),
                                QStringLiteral("n")};
    QCommandLineOption noRecord{QStringLiteral("no-record"),
                                QStringLiteral("Write \"no record\" (a single false byte).")};
    QCommandLineOption version{QStringLiteral("controller-version"),
                               QStringLiteral("Version bytes major.minor.patch.build; build may "
                                              "be hex (0x82 = beta 2). Default 6.4.0.0."),
                               QStringLiteral("a.b.c.d"), QStringLiteral("6.4.0.0")};
    QCommandLineOption model{QStringLiteral("model"),
                             QStringLiteral("Product model index (0 = Q5-PC). Default 0."),
                             QStringLiteral("n"), QStringLiteral("0")};
    QCommandLineOption noModel{QStringLiteral("no-model"),
                               QStringLiteral("Leave the product model out.")};
    QCommandLineOption serial{QStringLiteral("serial"), QStringLiteral("Serial number."),
                              QStringLiteral("text"), QStringLiteral("Q5PC-000123")};
    QCommandLineOption theme{QStringLiteral("theme"),
                             QStringLiteral("Theme mode byte: 0 system, 1 dark, 2 light."),
                             QStringLiteral("n"), QStringLiteral("1")};
    QCommandLineOption extraFile{QStringLiteral("extra-file"),
                                 QStringLiteral("Extra file path to put in the package."),
                                 QStringLiteral("path")};
    QCommandLineOption delay{QStringLiteral("delay"),
                             QStringLiteral("Auto-action delay count. Without it no delay is "
                                            "written."),
                             QStringLiteral("count")};
    QCommandLineOption delayPeriod{QStringLiteral("delay-period"),
                                   QStringLiteral("Period of the delay as num/den. Default 1/1."),
                                   QStringLiteral("num/den"), QStringLiteral("1/1")};
    QCommandLineOption blockSize{QStringLiteral("block-size"),
                                 QStringLiteral("Size of the shared-memory block in bytes. "
                                                "Default: just the record."),
                                 QStringLiteral("bytes")};
    QCommandLineOption dataFile{QStringLiteral("data-file"),
                                QStringLiteral("Crash data file path. Default: in the temporary "
                                               "folder."),
                                QStringLiteral("path")};
    QCommandLineOption skipDataFile{QStringLiteral("skip-data-file"),
                                    QStringLiteral("Pass the data file path but do not write it.")};
    QCommandLineOption dump{QStringLiteral("dump"),
                            QStringLiteral("Dump file path written into the crash data file."),
                            QStringLiteral("path")};
    QCommandLineOption dumpSize{QStringLiteral("dump-size"),
                                QStringLiteral("Generate the dump file with this many bytes."),
                                QStringLiteral("bytes")};
    QCommandLineOption crashSite{
        QStringLiteral("crash-site"),
        QStringLiteral("Where the generated dump says the controller crashed: MODULE+OFFSET, "
                       "the offset in hex, in one of ") +
            simulatedModuleNames().join(QStringLiteral(", ")) +
            QStringLiteral(". Default q5controller.exe+0x1a2b3."),
        QStringLiteral("site")};
    QCommandLineOption reason{QStringLiteral("reason"),
                              QStringLiteral("Why, as crash tools name it. Default "
                                             "EXCEPTION_ACCESS_VIOLATION_READ."),
                              QStringLiteral("name")};
    QCommandLineOption crashTime{QStringLiteral("crash-time"),
                                 QStringLiteral("Crash time, ISO 8601 (local). Default: now."),
                                 QStringLiteral("time")};
    QCommandLineOption outputLine{QStringLiteral("output-line"),
                                  QStringLiteral("One controller output line; repeat for more."),
                                  QStringLiteral("text")};
    QCommandLineOption reporter{QStringLiteral("reporter"),
                                QStringLiteral("Reporter program. Default: q5-crash-reporter "
                                               "beside this program."),
                                QStringLiteral("path")};
    QCommandLineOption reporterArgument{QStringLiteral("reporter-argument"),
                                        QStringLiteral("Replace the reporter's arguments; repeat "
                                                       "for more (none given: data file, "
                                                       "instance)."),
                                        QStringLiteral("text")};
    QCommandLineOption hold{QStringLiteral("hold"),
                            QStringLiteral("Start no reporter: print \"ready\" and keep the block "
                                           "until standard input closes.")};
    QCommandLineOption timeout{QStringLiteral("timeout"),
                               QStringLiteral("Kill the reporter after this many seconds."),
                               QStringLiteral("seconds")};

    QList<QCommandLineOption> all() const
    {
        return {instance,         noRecord, version,      model,      noModel,
                serial,           theme,    extraFile,    delay,      delayPeriod,
                blockSize,        dataFile, skipDataFile, dump,       dumpSize,
                crashSite,        reason,   crashTime,    outputLine, reporter,
                reporterArgument, hold,     timeout};
    }
};

std::optional<std::array<std::uint8_t, 4>> parseVersion(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    std::array<std::uint8_t, 4> bytes{};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const uint value = parts.at(i).toUInt(&ok, 0);
        if (!ok || value > 255)
            return std::nullopt;
        bytes[std::size_t(i)] = static_cast<std::uint8_t>(value);
    }
    return bytes;
}

bool fail(const QString& message)
{
    std::fprintf(stderr, "q5-controller-sim: %s\n", qPrintable(message));
    return false;
}

bool fillRecord(const QCommandLineParser& parser, const OptionSet& o, SimulatorOptions& options)
{
    SimulatedCrashRecord& record = options.record;
    record.present = !parser.isSet(o.noRecord);
    const auto version = parseVersion(parser.value(o.version));
    if (!version)
        return fail(QStringLiteral("bad --controller-version"));
    record.version = *version;
    if (parser.isSet(o.noModel))
        record.productModel.reset();
    else
        record.productModel = static_cast<qint8>(parser.value(o.model).toInt());
    record.serialNumber = parser.value(o.serial);
    record.themeMode = static_cast<qint8>(parser.value(o.theme).toInt());
    record.extraFilePath = parser.value(o.extraFile);
    if (parser.isSet(o.delay)) {
        SimulatedCrashRecord::Delay delay;
        delay.count = parser.value(o.delay).toLongLong();
        const QStringList period = parser.value(o.delayPeriod).split(QLatin1Char('/'));
        if (period.size() != 2)
            return fail(QStringLiteral("bad --delay-period"));
        delay.numerator = period.at(0).toLongLong();
        delay.denominator = period.at(1).toLongLong();
        record.delay = delay;
    }
    return true;
}

bool fillData(const QCommandLineParser& parser, const OptionSet& o, SimulatorOptions& options)
{
    options.dataFilePath =
        parser.isSet(o.dataFile)
            ? parser.value(o.dataFile)
            : QDir::temp().filePath(
                  QStringLiteral("q5-crash-data-%1.dat").arg(QCoreApplication::applicationPid()));
    options.writeDataFile = !parser.isSet(o.skipDataFile);
    options.data.dumpFilePath = parser.value(o.dump);
    if (parser.isSet(o.dumpSize)) {
        options.dumpSize = parser.value(o.dumpSize).toLongLong();
        if (options.data.dumpFilePath.isEmpty())
            options.data.dumpFilePath = QDir::temp().filePath(
                QStringLiteral("q5-controller-%1.dmp").arg(QCoreApplication::applicationPid()));
    }
    if (parser.isSet(o.crashSite)) {
        const auto site = parseCrashSite(parser.value(o.crashSite));
        if (!site)
            return fail(QStringLiteral("bad --crash-site"));
        options.crashSite = *site;
    }
    if (parser.isSet(o.reason)) {
        if (!isKnownReason(parser.value(o.reason)))
            return fail(QStringLiteral("bad --reason"));
        options.crashSite.reason = parser.value(o.reason);
    }
    options.crashSite.controllerVersion = options.record.version;
    options.data.crashTime = parser.isSet(o.crashTime)
                                 ? QDateTime::fromString(parser.value(o.crashTime), Qt::ISODate)
                                 : QDateTime::currentDateTime();
    if (!options.data.crashTime.isValid())
        return fail(QStringLiteral("bad --crash-time"));
    options.data.outputLog = parser.values(o.outputLine);
    return true;
}

} // namespace

std::optional<SimulatorOptions> parseSimulatorOptions(const QCoreApplication& application)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays the Q5-PC controller's side of a crash: writes the crash record into shared "
        "memory and the crash data file, starts the reporter, checks that it says "
        "\"connected\" and returns its exit status."));
    parser.addHelpOption();
    const OptionSet o;
    parser.addOptions(o.all());
    parser.process(application);

    SimulatorOptions options;
    if (parser.isSet(o.instance)) {
        bool ok = false;
        options.instance = parser.value(o.instance).toLongLong(&ok);
        if (!ok) {
            fail(QStringLiteral("bad --instance"));
            return std::nullopt;
        }
    }
    if (!fillRecord(parser, o, options) || !fillData(parser, o, options))
        return std::nullopt;
    options.blockSize = parser.value(o.blockSize).toLongLong();
    options.reporterPath = parser.isSet(o.reporter)
                               ? parser.value(o.reporter)
                               : QDir(QCoreApplication::applicationDirPath())
                                     .filePath(QStringLiteral("q5-crash-reporter"));
    options.reporterArguments = parser.values(o.reporterArgument);
    if (!parser.isSet(o.reporterArgument)) {
        options.reporterArguments << options.dataFilePath;
        if (options.instance)
            options.reporterArguments << QString::number(*options.instance);
    }
    options.hold = parser.isSet(o.hold);
    options.timeoutSeconds = parser.value(o.timeout).toInt();
    return options;
}
