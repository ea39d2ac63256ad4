#include "command_line.h"

#include "crash_inbox/analysis/crash_filing.h"
#include "crash_inbox/intake/dump_facts_reader.h"
#include "crash_inbox/intake/package_filer.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"
#include "crash_inbox/store/stored_symbols.h"
#include "package_output.h"
#include "package_reference.h"

int runShow(const CommandContext& context)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("ID|FILE"),
                                 QStringLiteral("A filed package's ID, or a package file."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Writes JSON."));
    parser.addOption(json);
    if (const auto status = context.parse(
            parser, QStringLiteral("show ID|FILE [--json]"),
            QStringLiteral("Shows a package's report (date, time, device, serial number, version, "
                           "platform, output log, comments), its crash as its dump tells it "
                           "(reason, place, stack, modules, signature) and its entries with "
                           "their sizes. A file that is not filed is read as it is.")))
        return *status;
    if (parser.positionalArguments().size() != 1)
        return context.usageError(QStringLiteral("show needs one ID or FILE"));
    const QString reference = parser.positionalArguments().at(0);
    std::optional<FiledPackage> package;
    if (isPackageId(reference)) {
        const std::unique_ptr<InboxDatabase> database = context.openDatabase();
        if (!database)
            return 2;
        QString error;
        package = PackageStore(*database).find(reference.toLongLong(), error);
        if (!package && !error.isEmpty())
            return context.failure(error, 2);
        if (!package)
            return context.failure(QStringLiteral("no package %1 is filed").arg(reference), 1);
    } else {
        DumpFactsReader dump;
        const PackageReading reading = readPackage(reference, &dump);
        if (!reading.package) {
            return context.failure(QStringLiteral("%1: %2").arg(reference, reading.problem), 1);
        }
        package = filedPackage(*reading.package, reference);
        // A file read directly says whether it is filed, and its crash is named with the
        // desk's symbols, when the database can tell.
        QString error;
        const auto location = parseDatabaseLocation(context.databaseText, error);
        // Reading a file needs no database: none is made for it.
        const auto database =
            location ? InboxDatabase::open(*location, error, InboxDatabase::Access::ExistingOnly)
                     : nullptr;
        std::optional<StoredSymbols> symbols;
        if (database) {
            package->id = PackageStore(*database).idOf(package->sha256, error).value_or(0);
            if (!error.isEmpty())
                return context.failure(error, 2);
            symbols.emplace(*database);
        }
        attachCrash(*package, dump.facts(), dump.problem(), symbols ? &*symbols : nullptr);
    }
    if (parser.isSet(json))
        context.out << jsonText(packageJson(*package));
    else
        writePackageText(context.out, *package);
    return 0;
}
