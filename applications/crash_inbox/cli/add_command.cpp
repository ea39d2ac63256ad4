#include "command_line.h"

#include "crash_inbox/intake/folder_watch.h"
#include "crash_inbox/intake/package_filer.h"
#include "crash_inbox/intake/package_sources.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"
#include "crash_inbox/text/printable.h"
#include "filing_report.h"

#include <QFileInfo>

int runAdd(const CommandContext& context)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("PATH"),
                                 QStringLiteral("A package, a folder searched through for *.cdp, "
                                                "a Maildir folder or an mbox file."),
                                 QStringLiteral("PATH..."));
    const QCommandLineOption watch(
        QStringLiteral("watch"),
        QStringLiteral("Then keeps filing the packages in DIR, and those that appear there, "
                       "once complete."),
        QStringLiteral("DIR"));
    parser.addOption(watch);
    if (const auto status = context.parse(
            parser, QStringLiteral("add [--watch DIR] [PATH...]"),
            QStringLiteral("Files crash packages: one line each, \"added ID PATH\", \"known ID "
                           "PATH\" (the same content was filed before) or \"rejected PATH: "
                           "REASON\". Exit status 0 when nothing was rejected, 1 when "
                           "something was, 2 on a usage or database error.")))
        return *status;
    // The watched folder's packages, those there already included, are filed as they settle.
    const QStringList paths = parser.positionalArguments();
    if (paths.isEmpty() && !parser.isSet(watch))
        return context.usageError(QStringLiteral("add needs a PATH"));
    if (parser.isSet(watch) && !QFileInfo(parser.value(watch)).isDir())
        return context.usageError(
            QStringLiteral("%1 is not a folder to watch").arg(printable(parser.value(watch))));
    const std::unique_ptr<InboxDatabase> database = context.openDatabase();
    if (!database)
        return 2;
    PackageStore store(*database);
    const QList<PackageSource> sources = packageSources(paths);
    FilingReport report(context.out);
    PackageFiler filer(store, report, sources.size());
    filer.addSources(sources);
    if (!filer.failed() && parser.isSet(watch) &&
        !watchFolder(parser.value(watch), filer, context.err) && !filer.failed())
        return 2;
    if (filer.failed())
        return context.failure(filer.error(), 2);
    return report.rejected() > 0 ? 1 : 0;
}
