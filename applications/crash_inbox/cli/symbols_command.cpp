#include "command_line.h"

#include "crash_inbox/analysis/crash_filing.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"
#include "crash_inbox/store/stored_symbols.h"
#include "crash_inbox/store/symbol_store.h"
#include "crash_inbox/text/printable.h"
#include "package_output.h"

#include "orrery_core/platform/regular_file.h"

#include <QFile>
#include <QJsonArray>

namespace {

constexpr char Synopsis[] = "symbols add FILE... | symbols list [--json]";

int addSymbols(const CommandContext& context, const QStringList& paths)
{
    if (paths.isEmpty())
        return context.usageError(QStringLiteral("symbols add needs a FILE"));
    const std::unique_ptr<InboxDatabase> database = context.openDatabase();
    if (!database)
        return 2;
    SymbolStore store(*database);
    PackageStore packages(*database);
    int rejected = 0;
    int updated = 0;
    for (const QString& path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            context.out << "rejected " << printable(path) << ": "
                        << printable(
                               QStringLiteral("it cannot be read (%1)").arg(file.errorString()))
                        << Qt::endl;
            ++rejected;
            continue;
        }
        SymbolStore::Failure failure;
        const std::optional<SymbolStore::Filing> filing = store.add(file, failure);
        if (!filing && failure.database) {
            return context.failure(failure.reason, 2);
        }
        if (!filing) {
            context.out << "rejected " << printable(path) << ": " << printable(failure.reason)
                        << Qt::endl;
            ++rejected;
            continue;
        }
        const CrashAnalysis::SymbolModule& module = filing->module;
        context.out << (filing->replaced ? "replaced " : "added ") << printable(module.debugFile)
                    << ' ' << module.debugId << ' ' << printable(path) << Qt::endl;
        // Packages filed before their symbols arrived are brought up to date.
        StoredSymbols symbols(*database);
        QString error;
        const std::optional<int> changed =
            refreshCrashes(packages, symbols, module.debugFile, module.debugId, error);
        if (!changed) {
            return context.failure(error, 2);
        }
        updated += *changed;
    }
    context.out << "updated " << updated << (updated == 1 ? " package" : " packages") << Qt::endl;
    return rejected > 0 ? 1 : 0;
}

int listSymbols(const CommandContext& context, bool json)
{
    const std::unique_ptr<InboxDatabase> database = context.openDatabase();
    if (!database)
        return 2;
    QString error;
    const auto kept = SymbolStore(*database).list(error);
    if (!kept) {
        return context.failure(error, 2);
    }
    if (json) {
        QJsonArray rows;
        for (const SymbolStore::Kept& symbols : *kept)
            rows.append(
                QJsonObject{{QStringLiteral("debugFile"), symbols.module.debugFile},
                            {QStringLiteral("debugId"), symbols.module.debugId},
                            {QStringLiteral("os"), symbols.module.os},
                            {QStringLiteral("cpu"), symbols.module.cpu},
                            {QStringLiteral("functions"), symbols.functions},
                            {QStringLiteral("added"), symbols.added.toString(Qt::ISODate)}});
        context.out << jsonText(rows);
        return 0;
    }
    for (const SymbolStore::Kept& symbols : *kept)
        context.out << printable(symbols.module.debugFile) << ' ' << symbols.module.debugId << "  "
                    << printable(symbols.module.os) << ' ' << printable(symbols.module.cpu) << "  "
                    << symbols.functions << " functions  " << symbols.added.toString(Qt::ISODate)
                    << '\n';
    return 0;
}

} // namespace

int runSymbols(const CommandContext& context)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("add|list"), QStringLiteral("What to do."));
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Symbol files (MODULE, FILE, FUNC, PUBLIC and "
                                                "STACK CFI records) to keep."),
                                 QStringLiteral("[FILE...]"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Writes JSON."));
    parser.addOption(json);
    if (const auto status = context.parse(
            parser, QString::fromLatin1(Synopsis),
            QStringLiteral("Keeps symbol files, which turn the modules and offsets of a crash "
                           "into functions and source lines, and lists those kept. add prints "
                           "\"added DEBUG-FILE DEBUG-ID FILE\" (or \"replaced\" for symbols of "
                           "a module kept before) or \"rejected FILE: REASON\" for each, then "
                           "how many filed packages it brought up to date. Exit status 0 when "
                           "nothing was rejected, 1 when something was, 2 on a usage or "
                           "database error.")))
        return *status;
    const QStringList arguments = parser.positionalArguments();
    const QString action = arguments.value(0);
    if (action == QLatin1String("add"))
        return addSymbols(context, arguments.mid(1));
    if (action == QLatin1String("list") && arguments.size() == 1)
        return listSymbols(context, parser.isSet(json));
    return context.usageError(
        QStringLiteral("usage: q5-crash-inbox %1").arg(QString::fromLatin1(Synopsis)));
}
