#include "command_line.h"

#include "crash_inbox/extract/package_extraction.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_places.h"
#include "crash_inbox/store/package_store.h"
#include "package_reference.h"

int runExtract(const CommandContext& context)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("ID|FILE"),
                                 QStringLiteral("A filed package's ID, or a package file."));
    parser.addPositionalArgument(QStringLiteral("DIR"),
                                 QStringLiteral("The folder to write the entries into."));
    if (const auto status = context.parse(
            parser, QStringLiteral("extract ID|FILE DIR"),
            QStringLiteral("Writes a package's entries into DIR: \"extracted NAME\" for each. "
                           "Entries that are not safe to write (links, devices, names outside "
                           "DIR, what would not fit on the disk) are skipped with \"skipped "
                           "NAME: REASON\", nothing is written through a link and nothing "
                           "there is replaced. Exit status 1 when something was skipped.")))
        return *status;
    if (parser.positionalArguments().size() != 2)
        return context.usageError(QStringLiteral("extract needs an ID or FILE and a DIR"));
    const QString reference = parser.positionalArguments().at(0);
    PackageFileHolder holder;
    QString error;
    QFile* package = nullptr;
    if (isPackageId(reference)) {
        const std::unique_ptr<InboxDatabase> database = context.openDatabase();
        if (!database)
            return 2;
        const std::optional<FiledPackage> filed =
            PackageStore(*database).find(reference.toLongLong(), error);
        if (!filed && !error.isEmpty())
            return context.failure(error, 2);
        if (!filed)
            return context.failure(QStringLiteral("no package %1 is filed").arg(reference), 1);
        const auto places = PackagePlaces::of(database->connection(), filed->id, error);
        if (!places)
            return context.failure(error, 2);
        // Nothing is written from a file that no longer holds what was filed.
        package = holder.openFiled(*places, filed->sha256, error);
    } else {
        package = holder.open(reference, error);
    }
    if (!package)
        return context.failure(error, 1);
    const ExtractionResult result =
        extractPackage(*package, parser.positionalArguments().at(1), context.out);
    if (!result.problem.isEmpty())
        return context.failure(QStringLiteral("%1: %2").arg(holder.place(), result.problem), 1);
    return result.skipped > 0 ? 1 : 0;
}
