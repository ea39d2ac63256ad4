#include "command_line.h"

#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"
#include "package_output.h"

int runList(const CommandContext& context)
{
    QCommandLineParser parser;
    const QCommandLineOption search(
        QStringLiteral("search"),
        QStringLiteral("Only packages whose comments or output log hold every word of TEXT "
                       "(\"lamp*\": words that start so). Case and accents count for nothing; "
                       "words are letters and digits."),
        QStringLiteral("TEXT"));
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("Only crashes of the device NAME (Q5-PC, …)."),
                                    QStringLiteral("NAME"));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Only crashes of the version TEXT."),
                                     QStringLiteral("TEXT"));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("Only crashes of the console TEXT."),
                                    QStringLiteral("TEXT"));
    const QCommandLineOption signature(
        QStringLiteral("signature"),
        QStringLiteral("Only crashes of the signature TEXT, as groups shows it."),
        QStringLiteral("TEXT"));
    const QCommandLineOption limit(QStringLiteral("limit"), QStringLiteral("At most N packages."),
                                   QStringLiteral("N"));
    const QCommandLineOption offset(QStringLiteral("offset"),
                                    QStringLiteral("Passes over the first N packages."),
                                    QStringLiteral("N"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Writes JSON."));
    parser.addOptions({search, device, version, serial, signature, limit, offset, json});
    if (const auto status = context.parse(
            parser,
            QStringLiteral("list [--search TEXT] [--device NAME] [--version TEXT] [--serial TEXT] "
                           "[--signature TEXT] [--limit N] [--offset N] [--json]"),
            QStringLiteral("Lists the filed packages, newest crash first: ID, crash date and "
                           "time, device, serial number, version, signature and the first line of "
                           "the comments.")))
        return *status;
    if (!parser.positionalArguments().isEmpty())
        return context.usageError(QStringLiteral("list takes no arguments"));
    const auto count = [&](const QCommandLineOption& option) -> std::optional<qint64> {
        if (!parser.isSet(option))
            return 0;
        bool ok = false;
        const qint64 value = parser.value(option).toLongLong(&ok);
        return ok && value >= 0 ? std::optional(value) : std::nullopt;
    };
    const std::optional<qint64> limitCount = count(limit);
    const std::optional<qint64> offsetCount = count(offset);
    if (!limitCount || !offsetCount)
        return context.usageError(QStringLiteral("--limit and --offset take a number of packages"));
    const std::unique_ptr<InboxDatabase> database = context.openDatabase();
    if (!database)
        return 2;
    QString error;
    PackageFilter filter;
    filter.search = parser.value(search);
    filter.device = parser.value(device);
    filter.version = parser.value(version);
    filter.serial = parser.value(serial);
    filter.signature = parser.value(signature);
    filter.limit = *limitCount;
    filter.offset = *offsetCount;
    const auto packages = PackageStore(*database).list(filter, error);
    if (!packages)
        return context.failure(error, 2);
    if (parser.isSet(json)) {
        QJsonArray rows;
        for (const FiledPackage& package : *packages)
            rows.append(packageListJson(package));
        context.out << jsonText(rows);
    } else {
        writePackageListText(context.out, *packages);
    }
    return 0;
}
