#include "command_line.h"

#include "crash_inbox/collector/collector_desk.h"
#include "crash_inbox/collector/collector_options.h"
#include "crash_inbox/collector/collector_server.h"
#include "crash_inbox/collector/received_package.h"
#include "crash_inbox/store/database_location.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/text/printable.h"

#include <QDir>
#include <QHostAddress>

#include <csignal>

namespace {

CollectorDesk* runningDesk = nullptr;

extern "C" void stopServing(int)
{
    if (runningDesk)
        runningDesk->requestStop();
}

QString defaultPackageFolder()
{
    return deskDataFolder() + QStringLiteral("/Received packages");
}

// "ADDRESS:PORT", with an IPv6 address in brackets.
bool parseListen(const QString& text, CollectorOptions& options)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    QString address = text.left(colon);
    if (address.startsWith(QLatin1Char('[')) && address.endsWith(QLatin1Char(']')))
        address = address.mid(1, address.size() - 2);
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (!ok || port > 65535 || QHostAddress(address).isNull())
        return false;
    options.address = address;
    options.port = quint16(port);
    return true;
}

// Part files of a collector that was killed while packages arrived.
void removeBrokenUploads(const QString& folder)
{
    QDir dir(folder);
    const QStringList parts =
        dir.entryList({QString::fromLatin1(ReceivedPackage::PartPrefix) + QLatin1Char('*') +
                       QString::fromLatin1(ReceivedPackage::PartSuffix)},
                      QDir::Files | QDir::Hidden);
    for (const QString& part : parts)
        dir.remove(part);
}

bool preparePackageFolder(const QString& folder, QString& error)
{
    if (!QDir().mkpath(folder) ||
        !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        error = QStringLiteral("%1 cannot be made a folder for packages")
                    .arg(QDir::toNativeSeparators(folder));
        return false;
    }
    removeBrokenUploads(folder);
    return true;
}

} // namespace

int runServe(const CommandContext& context)
{
    QCommandLineParser parser;
    const CollectorOptions defaults;
    const QString defaultListen =
        defaults.address + QLatin1Char(':') + QString::number(defaults.port);
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Where to listen (%1; port 0: one the system chooses).").arg(defaultListen),
        QStringLiteral("ADDRESS:PORT"), defaultListen);
    const QCommandLineOption certificate(QStringLiteral("tls-certificate"),
                                         QStringLiteral("Serves HTTPS with this PEM chain."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption key(QStringLiteral("tls-key"),
                                 QStringLiteral("The certificate's PEM private key."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption plain(QStringLiteral("plain-http"),
                                   QStringLiteral("Serves plain HTTP on an address other than "
                                                  "loopback (behind a proxy that adds TLS)."));
    const QCommandLineOption maxSize(
        QStringLiteral("max-package-size"), QStringLiteral("The largest package taken (4 GiB)."),
        QStringLiteral("BYTES"), QString::number(defaults.maxPackageSize));
    const QCommandLineOption rate(
        QStringLiteral("uploads-per-minute"),
        QStringLiteral("Uploads a token may make in a minute (%1).").arg(defaults.uploadsPerMinute),
        QStringLiteral("N"), QString::number(defaults.uploadsPerMinute));
    const QCommandLineOption stall(
        QStringLiteral("stall-seconds"),
        QStringLiteral("A connection that sends no header, or not 64 KiB of a package, in this "
                       "time is closed (%1).")
            .arg(defaults.stallSeconds),
        QStringLiteral("SECONDS"), QString::number(defaults.stallSeconds));
    const QCommandLineOption folder(QStringLiteral("package-folder"),
                                    QStringLiteral("Where received packages are kept."),
                                    QStringLiteral("DIR"), defaultPackageFolder());
    parser.addOptions({listen, certificate, key, plain, maxSize, rate, stall, folder});
    if (const auto status = context.parse(
            parser,
            QStringLiteral("serve [--listen ADDRESS:PORT] [--tls-certificate FILE --tls-key "
                           "FILE] [--max-package-size BYTES]"),
            QStringLiteral(
                "The collector: files the packages that consoles send with POST "
                "/api/v1/packages (Authorization: Bearer TOKEN, a token of \"token add\"), "
                "into the same database as add. Answers 201 {\"id\": N, \"status\": "
                "\"added\"}, 200 \"known\", 400 {\"error\": ...} for a package add would "
                "reject, 401, 413 and 429. GET /api/v1/health answers 200 while the database "
                "does. Prints \"serving on URL\", then a line for each package. Runs until "
                "SIGINT or SIGTERM.")))
        return *status;
    CollectorOptions options;
    if (!parseListen(parser.value(listen), options))
        return context.usageError(
            QStringLiteral("%1 is no ADDRESS:PORT").arg(printable(parser.value(listen))));
    options.tlsCertificate = parser.value(certificate);
    options.tlsKey = parser.value(key);
    if (options.tlsCertificate.isEmpty() != options.tlsKey.isEmpty())
        return context.usageError(QStringLiteral("--tls-certificate and --tls-key go together"));
    const bool tls = !options.tlsCertificate.isEmpty();
    if (!tls && !parser.isSet(plain) && !QHostAddress(options.address).isLoopback())
        return context.usageError(
            QStringLiteral("plain HTTP is served only on loopback: give --tls-certificate and "
                           "--tls-key, or --plain-http behind a proxy that adds TLS"));
    bool ok = false;
    options.maxPackageSize = parser.value(maxSize).toLongLong(&ok);
    if (!ok || options.maxPackageSize <= 0)
        return context.usageError(QStringLiteral("--max-package-size needs a number of bytes"));
    options.uploadsPerMinute = parser.value(rate).toInt(&ok);
    if (!ok || options.uploadsPerMinute <= 0)
        return context.usageError(QStringLiteral("--uploads-per-minute needs a number"));
    options.stallSeconds = parser.value(stall).toInt(&ok);
    if (!ok || options.stallSeconds <= 0)
        return context.usageError(QStringLiteral("--stall-seconds needs a number"));
    options.packageFolder = QDir(parser.value(folder)).absolutePath();
    QString error;
    if (!preparePackageFolder(options.packageFolder, error))
        return context.failure(error, 2);

    const std::unique_ptr<InboxDatabase> database = context.openDatabase();
    if (!database)
        return 2;
    CollectorDesk desk(*database);
    CollectorServer server(options, desk);
    if (!server.start(error))
        return context.failure(
            QStringLiteral("cannot serve on %1 (%2)").arg(parser.value(listen), error), 2);
    runningDesk = &desk;
    std::signal(SIGINT, stopServing);
    std::signal(SIGTERM, stopServing);
    const QString host = options.address.contains(QLatin1Char(':'))
                             ? QLatin1Char('[') + options.address + QLatin1Char(']')
                             : options.address;
    context.out << "serving on " << (tls ? "https://" : "http://") << host << ':' << server.port()
                << Qt::endl;
    const bool served = desk.run(error);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    runningDesk = nullptr;
    server.stop();
    return served ? 0 : context.failure(error, 2);
}
