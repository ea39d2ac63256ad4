#include "command_line.h"

#include "package_output.h"
#include "store/inbox_database.h"
#include "store/package_store.h"

int runGroups(const CommandContext& context)
{
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Writes JSON."));
    parser.addOption(json);
    if (const auto status = context.parse(
            parser, QStringLiteral("groups [--json]"),
            QStringLiteral("The crashes grouped by device and version: how many, the first and "
                           "the last, and the serial numbers of the consoles affected; the most "
                           "recent group first.")))
        return *status;
    if (!parser.positionalArguments().isEmpty())
        return context.usageError(QStringLiteral("groups takes no arguments"));
    const std::unique_ptr<InboxDatabase> database = context.openDatabase();
    if (!database)
        return 2;
    QString error;
    const auto groups = PackageStore(*database).groups(error);
    if (!groups) {
        context.err << "q5-crash-inbox: " << error << Qt::endl;
        return 2;
    }
    if (parser.isSet(json)) {
        QJsonArray rows;
        for (const CrashGroup& group : *groups)
            rows.append(groupJson(group));
        context.out << jsonText(rows);
    } else {
        writeGroupsText(context.out, *groups);
    }
    return 0;
}
