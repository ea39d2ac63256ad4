#include "command_line.h"

#include "crash_inbox/store/group_triage_store.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"
#include "crash_inbox/triage/version_order.h"
#include "package_output.h"

namespace {

// What the options ask for, checked before any database is opened; a usage error otherwise.
QString checkOptions(const QCommandLineParser& parser)
{
    const bool fixing = parser.isSet(QStringLiteral("fixed-in"));
    std::optional<TriageState> state;
    if (parser.isSet(QStringLiteral("state"))) {
        state = triageStateNamed(parser.value(QStringLiteral("state")));
        if (!state || *state == TriageState::Regressed)
            return QStringLiteral("--state takes new, acknowledged, fixed or ignored, not %1")
                .arg(parser.value(QStringLiteral("state")));
    }
    if (fixing && state && !hasFixingVersion(*state))
        return QStringLiteral("--fixed-in goes with the state fixed");
    if (state && hasFixingVersion(*state) && !fixing)
        return QStringLiteral("the state fixed needs --fixed-in VERSION");
    const QString version = parser.value(QStringLiteral("fixed-in")).trimmed();
    if (fixing && !VersionOrder::parse(version))
        return QStringLiteral("%1 is no version (such as 6.4.1 or 6.4.1.BETA2)").arg(version);
    return {};
}

// The group's triage with what the options change.
GroupTriage wantedTriage(const QCommandLineParser& parser, GroupTriage triage)
{
    if (parser.isSet(QStringLiteral("state")))
        triage.state = *triageStateNamed(parser.value(QStringLiteral("state")));
    else if (parser.isSet(QStringLiteral("fixed-in")))
        triage.state = TriageState::Fixed;
    if (parser.isSet(QStringLiteral("fixed-in")))
        triage.fixedIn = parser.value(QStringLiteral("fixed-in")).trimmed();
    if (parser.isSet(QStringLiteral("note")))
        triage.note = parser.value(QStringLiteral("note"));
    return triage;
}

} // namespace

int runGroup(const CommandContext& context)
{
    QCommandLineParser parser;
    parser.addOptions(
        {{QStringLiteral("state"),
          QStringLiteral("new, acknowledged, fixed (with --fixed-in) or ignored."),
          QStringLiteral("STATE")},
         {QStringLiteral("fixed-in"),
          QStringLiteral("The version that fixes the crash: a crash from it or a later one makes "
                         "the group regressed."),
          QStringLiteral("VERSION")},
         {QStringLiteral("note"), QStringLiteral("A note for the group; empty to clear it."),
          QStringLiteral("TEXT")},
         {QStringLiteral("json"), QStringLiteral("Writes JSON.")}});
    if (const auto status = context.parse(
            parser,
            QStringLiteral("group SIGNATURE|GROUP-ID [--state STATE] [--fixed-in VERSION] "
                           "[--note TEXT] [--json]"),
            QStringLiteral("A crash group: what a technician decided about it, and its crashes. "
                           "With --state, --fixed-in or --note it is changed first.")))
        return *status;
    if (parser.positionalArguments().size() != 1)
        return context.usageError(QStringLiteral("group takes one signature or group number"));
    const QString wanted = parser.positionalArguments().constFirst();
    if (const QString problem = checkOptions(parser); !problem.isEmpty())
        return context.usageError(problem);
    const std::unique_ptr<InboxDatabase> database = context.openDatabase();
    if (!database)
        return 2;
    GroupTriageStore triages(*database);
    QString error;
    auto found = triages.find(wanted, error);
    if (!found && !error.isEmpty())
        return context.failure(error, 2);
    if (!found)
        return context.failure(QStringLiteral("no crash group is %1").arg(wanted), 1);
    if (!triages.change(found->second, wantedTriage(parser, found->second), error))
        return context.failure(error, 2);
    const auto groups = PackageStore(*database).signatureGroups({}, error);
    if (!groups)
        return context.failure(error, 2);
    for (const SignatureGroup& group : *groups) {
        if (group.signature != found->first)
            continue;
        if (parser.isSet(QStringLiteral("json")))
            context.out << jsonText(signatureGroupJson(group));
        else
            writeSignatureGroupsText(context.out, {group});
        return 0;
    }
    // Its crashes may have moved to another group since (symbols name them anew).
    context.out << triageText(triages.find(found->first, error).value_or(*found).second) << '\n';
    return 0;
}
