#include "command_line.h"

#include "crash_inbox/store/group_triage_store.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"
#include "crash_inbox/triage/version_order.h"
#include "package_output.h"

namespace {

// What the options ask to change, applied to the group's triage; a usage error otherwise.
QString applyChanges(const QCommandLineParser& parser, GroupTriage& triage)
{
    const QString stateName = parser.value(QStringLiteral("state"));
    const QString fixedIn = parser.value(QStringLiteral("fixed-in")).trimmed();
    const bool fixing = parser.isSet(QStringLiteral("fixed-in"));
    if (parser.isSet(QStringLiteral("state"))) {
        const std::optional<TriageState> state = triageStateNamed(stateName);
        if (!state || *state == TriageState::Regressed)
            return QStringLiteral("--state takes new, acknowledged, fixed or ignored, not %1")
                .arg(stateName);
        triage.state = *state;
    } else if (fixing) {
        triage.state = TriageState::Fixed;
    }
    if (triage.state == TriageState::Fixed && fixing)
        triage.fixedIn = fixedIn;
    if (fixing && triage.state != TriageState::Fixed)
        return QStringLiteral("--fixed-in goes with the state fixed");
    if (parser.isSet(QStringLiteral("state")) && triage.state == TriageState::Fixed && !fixing)
        return QStringLiteral("the state fixed needs --fixed-in VERSION");
    if (fixing && !VersionOrder::parse(fixedIn))
        return QStringLiteral("%1 is no version (such as 6.4.1 or 6.4.1.BETA2)").arg(fixedIn);
    if (parser.isSet(QStringLiteral("note")))
        triage.note = parser.value(QStringLiteral("note"));
    return {};
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
    GroupTriage triage = found->second;
    if (const QString problem = applyChanges(parser, triage); !problem.isEmpty())
        return context.usageError(problem);
    const bool changing = parser.isSet(QStringLiteral("state")) ||
                          parser.isSet(QStringLiteral("fixed-in")) ||
                          parser.isSet(QStringLiteral("note"));
    if (changing && !triages.set(triage, error))
        return context.failure(error, 2);
    const auto groups = PackageStore(*database).signatureGroups(error);
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
    return context.failure(QStringLiteral("crash group %1 has no crashes now").arg(wanted), 1);
}
