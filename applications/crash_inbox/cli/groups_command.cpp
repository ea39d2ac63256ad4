#include "command_line.h"

#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"
#include "package_output.h"

namespace {

int writeGroups(const CommandContext& context, PackageStore& store, bool json)
{
    QString error;
    const auto groups = store.groups(error);
    if (!groups) {
        return context.failure(error, 2);
    }
    if (!json) {
        writeGroupsText(context.out, *groups);
        return 0;
    }
    QJsonArray rows;
    for (const CrashGroup& group : *groups)
        rows.append(groupJson(group));
    context.out << jsonText(rows);
    return 0;
}

int writeSignatureGroups(const CommandContext& context, PackageStore& store, bool json,
                         const QList<TriageState>& states)
{
    QString error;
    auto groups = store.signatureGroups({}, error);
    if (!groups) {
        return context.failure(error, 2);
    }
    if (!states.isEmpty())
        groups->removeIf(
            [&](const SignatureGroup& group) { return !states.contains(group.triage.state); });
    if (!json) {
        writeSignatureGroupsText(context.out, *groups);
        return 0;
    }
    QJsonArray rows;
    for (const SignatureGroup& group : *groups)
        rows.append(signatureGroupJson(group));
    context.out << jsonText(rows);
    return 0;
}

} // namespace

int runGroups(const CommandContext& context)
{
    QCommandLineParser parser;
    const QCommandLineOption by(QStringLiteral("by"),
                                QStringLiteral("signature (the default): the crashes of one "
                                               "cause, the largest group first; version: by "
                                               "device and version, the most recent first."),
                                QStringLiteral("signature|version"), QStringLiteral("signature"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Writes JSON."));
    const QCommandLineOption state(
        QStringLiteral("state"),
        QStringLiteral("Only the groups in these states (new, acknowledged, fixed, ignored, "
                       "regressed), separated by commas."),
        QStringLiteral("STATE,..."));
    parser.addOptions({by, json, state});
    if (const auto status = context.parse(
            parser, QStringLiteral("groups [--by signature|version] [--state STATE,...] [--json]"),
            QStringLiteral("The crashes grouped by their signature (where the crash happened "
                           "and why): how many, the first and the last, the versions and "
                           "devices they were seen on and the serial numbers of the consoles "
                           "affected. --by version groups them by device and version.")))
        return *status;
    if (!parser.positionalArguments().isEmpty())
        return context.usageError(QStringLiteral("groups takes no arguments"));
    const QString grouping = parser.value(by);
    if (grouping != QLatin1String("signature") && grouping != QLatin1String("version"))
        return context.usageError(
            QStringLiteral("groups --by takes signature or version, not %1").arg(grouping));
    QList<TriageState> states;
    for (const QString& name :
         parser.values(state).join(QLatin1Char(',')).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const std::optional<TriageState> named = triageStateNamed(name.trimmed());
        if (!named)
            return context.usageError(QStringLiteral("%1 is no state of a crash group").arg(name));
        states << *named;
    }
    if (!states.isEmpty() && grouping == QLatin1String("version"))
        return context.usageError(
            QStringLiteral("--state picks groups by signature, not by version"));
    const std::unique_ptr<InboxDatabase> database = context.openDatabase();
    if (!database)
        return 2;
    PackageStore store(*database);
    return grouping == QLatin1String("version")
               ? writeGroups(context, store, parser.isSet(json))
               : writeSignatureGroups(context, store, parser.isSet(json), states);
}
