#include "command_line.h"

#include "extract/package_extraction.h"
#include "package_reference.h"
#include "store/inbox_database.h"
#include "store/package_store.h"

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
    QString file = parser.positionalArguments().at(0);
    if (isPackageId(file)) {
        const std::unique_ptr<InboxDatabase> database = context.openDatabase();
        if (!database)
            return 2;
        const std::optional<FiledPackage> package = PackageStore(*database).find(file.toLongLong());
        if (!package) {
            context.err << "q5-crash-inbox: no package " << file << " is filed" << Qt::endl;
            return 1;
        }
        file = package->file;
    }
    PackageFileHolder holder;
    QString error;
    const std::optional<QString> path = holder.open(file, error);
    if (!path) {
        context.err << "q5-crash-inbox: " << error << Qt::endl;
        return 1;
    }
    const ExtractionResult result =
        extractPackage(*path, parser.positionalArguments().at(1), context.out);
    if (!result.problem.isEmpty()) {
        context.err << "q5-crash-inbox: " << file << ": " << result.problem << Qt::endl;
        return 1;
    }
    return result.skipped > 0 ? 1 : 0;
}
