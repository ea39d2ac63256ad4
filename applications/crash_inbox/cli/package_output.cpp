#include "package_output.h"

#include "crash_inbox/text/printable.h"

#include <QJsonDocument>

namespace {

QJsonValue orNull(const QString& text)
{
    return text.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QJsonValue orNull(const std::optional<QString>& text)
{
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

QJsonValue dateOf(const ReportDocument& report)
{
    return report.date.isValid() ? QJsonValue(report.date.toString(Qt::ISODate))
                                 : QJsonValue(QJsonValue::Null);
}

QJsonValue timeOf(const ReportDocument& report)
{
    return report.time.isValid() ? QJsonValue(report.time.toString(Qt::ISODate))
                                 : QJsonValue(QJsonValue::Null);
}

QJsonValue dateTimeOf(const QDateTime& moment)
{
    return moment.isValid() ? QJsonValue(moment.toString(Qt::ISODate))
                            : QJsonValue(QJsonValue::Null);
}

// The application's facts, each null when the report had none.
void addApplication(QJsonObject& object, const ReportDocument& report, bool withPlatform)
{
    const auto& application = report.application;
    object.insert(QStringLiteral("device"),
                  application ? orNull(application->device) : QJsonValue(QJsonValue::Null));
    object.insert(QStringLiteral("serial"),
                  application ? orNull(application->serial) : QJsonValue(QJsonValue::Null));
    object.insert(QStringLiteral("version"),
                  application ? orNull(application->version) : QJsonValue(QJsonValue::Null));
    if (withPlatform)
        object.insert(QStringLiteral("platform"),
                      application ? orNull(application->platform) : QJsonValue(QJsonValue::Null));
}

QString orDash(const std::optional<QString>& text)
{
    return text && !text->isEmpty() ? printable(*text) : QStringLiteral("-");
}

QString dateAndTime(const ReportDocument& report)
{
    if (!report.date.isValid())
        return QStringLiteral("-");
    return report.date.toString(Qt::ISODate) + QLatin1Char(' ') +
           (report.time.isValid() ? report.time.toString(Qt::ISODate) : QString());
}

QString firstLine(const QString& text)
{
    return printable(text.section(QLatin1Char('\n'), 0, 0));
}

template <typename T>
QJsonValue optionalJson(const std::optional<T>& value)
{
    if (!value)
        return QJsonValue(QJsonValue::Null);
    if constexpr (std::is_same_v<T, quint64>)
        return CrashAnalysis::hexAddress(*value);
    else if constexpr (std::is_same_v<T, qint64>)
        return QJsonValue(*value);
    else
        return QJsonValue(*value);
}

QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QJsonObject frameJson(const CrashAnalysis::CrashFrame& frame)
{
    return {{QStringLiteral("module"), optionalJson(frame.module)},
            {QStringLiteral("offset"), CrashAnalysis::hexAddress(frame.offset)},
            {QStringLiteral("function"), optionalJson(frame.function)},
            {QStringLiteral("sourceFile"), optionalJson(frame.sourceFile)},
            {QStringLiteral("sourceLine"), optionalJson(frame.sourceLine)},
            {QStringLiteral("trust"), CrashAnalysis::trustName(frame.trust)}};
}

QJsonObject moduleJson(const CrashAnalysis::DumpModule& module)
{
    return {{QStringLiteral("name"), module.name()},
            {QStringLiteral("base"), CrashAnalysis::hexAddress(module.base)},
            {QStringLiteral("size"), qint64(module.size)},
            {QStringLiteral("version"), optionalJson(module.version)},
            {QStringLiteral("debugFile"), textOrNull(module.debugFile)},
            {QStringLiteral("debugId"), textOrNull(module.debugId)}};
}

QJsonValue crashJson(const std::optional<FiledCrash>& crash)
{
    if (!crash)
        return QJsonValue(QJsonValue::Null);
    const CrashAnalysis::DumpFacts& facts = crash->facts;
    const CrashAnalysis::CrashSummary& summary = crash->summary;
    QJsonArray frames;
    for (const CrashAnalysis::CrashFrame& frame : summary.frames)
        frames.append(frameJson(frame));
    QJsonArray modules;
    for (const CrashAnalysis::DumpModule& module : facts.modules)
        modules.append(moduleJson(module));
    return QJsonObject{{QStringLiteral("os"), textOrNull(facts.os)},
                       {QStringLiteral("cpu"), textOrNull(facts.cpu)},
                       {QStringLiteral("reason"), textOrNull(facts.reason)},
                       {QStringLiteral("address"), optionalJson(facts.address)},
                       {QStringLiteral("module"), optionalJson(summary.module)},
                       {QStringLiteral("moduleVersion"), optionalJson(summary.moduleVersion)},
                       {QStringLiteral("offset"), optionalJson(summary.offset)},
                       {QStringLiteral("function"), optionalJson(summary.function)},
                       {QStringLiteral("sourceFile"), optionalJson(summary.sourceFile)},
                       {QStringLiteral("sourceLine"), optionalJson(summary.sourceLine)},
                       {QStringLiteral("signature"), summary.signature},
                       {QStringLiteral("frames"), frames},
                       {QStringLiteral("modules"), modules}};
}

void writeCrashText(QTextStream& out, const FiledPackage& package)
{
    const auto row = [&](const char* label, const QString& value) {
        out << QString::fromLatin1(label).leftJustified(10) << printable(value) << '\n';
    };
    if (!package.crash) {
        row("Dump", package.crashProblem);
        row("Signature", package.signature);
        return;
    }
    const CrashAnalysis::DumpFacts& facts = package.crash->facts;
    const CrashAnalysis::CrashSummary& summary = package.crash->summary;
    row("Reason", facts.reason.isEmpty() ? QStringLiteral("-") : facts.reason);
    row("Address", facts.address ? CrashAnalysis::hexAddress(*facts.address) : QStringLiteral("-"));
    row("Crash at", summary.place.isEmpty() ? QStringLiteral("-") : summary.place);
    row("System", QStringList{facts.os, facts.cpu}.join(QStringLiteral(", ")));
    row("Signature", summary.signature);
    out << "Stack\n";
    for (qsizetype index = 0; index < summary.frames.size(); ++index) {
        const CrashAnalysis::CrashFrame& frame = summary.frames.at(index);
        out << "  " << QString::number(index).rightJustified(2) << "  " << printable(frame.place)
            << "  (" << CrashAnalysis::trustName(frame.trust) << ")\n";
    }
    out << "Modules\n";
    for (const CrashAnalysis::DumpModule& module : facts.modules)
        out << "  " << CrashAnalysis::hexAddress(module.base).leftJustified(18) << "  "
            << printable(module.name()).leftJustified(20) << "  "
            << printable(module.version.value_or(QStringLiteral("-"))).leftJustified(16) << "  "
            << printable(module.debugFile) << ' ' << module.debugId << '\n';
}

} // namespace

// A package that came by mail: its message's sender and date; null otherwise.
void addMail(QJsonObject& object, const FiledPackage& package)
{
    object.insert(QStringLiteral("mailFrom"), package.mailSender.isEmpty()
                                                  ? QJsonValue(QJsonValue::Null)
                                                  : QJsonValue(package.mailSender));
    object.insert(QStringLiteral("mailDate"), dateTimeOf(package.mailDate));
}

QJsonObject packageJson(const FiledPackage& package)
{
    QJsonObject object;
    if (package.id > 0)
        object.insert(QStringLiteral("id"), package.id);
    object.insert(QStringLiteral("sha256"), QString::fromLatin1(package.sha256));
    object.insert(QStringLiteral("file"), package.file);
    object.insert(QStringLiteral("date"), dateOf(package.report));
    object.insert(QStringLiteral("time"), timeOf(package.report));
    addApplication(object, package.report, true);
    object.insert(QStringLiteral("outputLog"),
                  QJsonArray::fromStringList(package.report.outputLog));
    object.insert(QStringLiteral("comments"), package.report.comments);
    QJsonArray entries;
    for (const PackageEntry& entry : package.entries)
        entries.append(QJsonObject{{QStringLiteral("name"), entry.name},
                                   {QStringLiteral("size"), entry.size}});
    object.insert(QStringLiteral("entries"), entries);
    addMail(object, package);
    object.insert(QStringLiteral("crash"), crashJson(package.crash));
    object.insert(QStringLiteral("crashProblem"),
                  package.crash ? QJsonValue(QJsonValue::Null) : QJsonValue(package.crashProblem));
    return object;
}

QJsonObject packageListJson(const FiledPackage& package)
{
    QJsonObject object{{QStringLiteral("id"), package.id},
                       {QStringLiteral("sha256"), QString::fromLatin1(package.sha256)},
                       {QStringLiteral("date"), dateOf(package.report)},
                       {QStringLiteral("time"), timeOf(package.report)},
                       {QStringLiteral("comments"), package.report.comments},
                       {QStringLiteral("signature"), package.signature},
                       {QStringLiteral("file"), package.file}};
    addApplication(object, package.report, false);
    addMail(object, package);
    return object;
}

QJsonObject signatureGroupJson(const SignatureGroup& group)
{
    const GroupTriage& triage = group.triage;
    return {{QStringLiteral("id"), triage.id > 0 ? QJsonValue(triage.id) : QJsonValue()},
            {QStringLiteral("signature"), group.signature},
            {QStringLiteral("state"), triageStateName(triage.state)},
            {QStringLiteral("fixedIn"), orNull(triage.fixedIn)},
            {QStringLiteral("note"), triage.note},
            {QStringLiteral("firstVersion"), orNull(group.firstVersion)},
            {QStringLiteral("lastVersion"), orNull(group.lastVersion)},
            {QStringLiteral("count"), group.count},
            {QStringLiteral("first"), dateTimeOf(group.first)},
            {QStringLiteral("last"), dateTimeOf(group.last)},
            {QStringLiteral("versions"), QJsonArray::fromStringList(group.versions)},
            {QStringLiteral("devices"), QJsonArray::fromStringList(group.devices)},
            {QStringLiteral("serials"), QJsonArray::fromStringList(group.serials)}};
}

QJsonObject groupJson(const CrashGroup& group)
{
    return {{QStringLiteral("device"), orNull(group.device)},
            {QStringLiteral("version"), orNull(group.version)},
            {QStringLiteral("count"), group.count},
            {QStringLiteral("serials"), QJsonArray::fromStringList(group.serials)},
            {QStringLiteral("first"), dateTimeOf(group.first)},
            {QStringLiteral("last"), dateTimeOf(group.last)}};
}

void writePackageText(QTextStream& out, const FiledPackage& package)
{
    const auto& application = package.report.application;
    const auto row = [&](const char* label, const QString& value) {
        out << QString::fromLatin1(label).leftJustified(10) << printable(value) << '\n';
    };
    if (package.id > 0)
        row("Package", QString::number(package.id));
    row("File", package.file);
    row("SHA-256", QString::fromLatin1(package.sha256));
    row("Crashed", dateAndTime(package.report));
    row("Device", orDash(application ? application->device : std::nullopt));
    row("Serial", orDash(application ? std::optional(application->serial) : std::nullopt));
    row("Version", orDash(application ? std::optional(application->version) : std::nullopt));
    row("Platform", orDash(application ? std::optional(application->platform) : std::nullopt));
    if (!package.mailSender.isEmpty() || package.mailDate.isValid())
        row("Mailed by",
            QStringList{package.mailSender.isEmpty() ? QStringLiteral("-") : package.mailSender,
                        package.mailDate.isValid() ? package.mailDate.toString(Qt::ISODate)
                                                   : QStringLiteral("-")}
                .join(QLatin1Char(' ')));
    writeCrashText(out, package);
    out << "Comments\n";
    for (const QString& line : package.report.comments.split(QLatin1Char('\n')))
        out << "  " << printable(line) << '\n';
    out << "Output log\n";
    for (const QString& line : package.report.outputLog)
        out << "  " << printable(line) << '\n';
    out << "Entries\n";
    for (const PackageEntry& entry : package.entries)
        out << "  " << QString::number(entry.size).rightJustified(12) << "  "
            << printable(entry.name) << '\n';
}

void writePackageListText(QTextStream& out, const QList<FiledPackage>& packages)
{
    for (const FiledPackage& package : packages) {
        const auto& application = package.report.application;
        out << QString::number(package.id).rightJustified(6) << "  "
            << dateAndTime(package.report).leftJustified(19) << "  "
            << orDash(application ? application->device : std::nullopt).leftJustified(7) << "  "
            << orDash(application ? std::optional(application->serial) : std::nullopt)
                   .leftJustified(14)
            << "  "
            << orDash(application ? std::optional(application->version) : std::nullopt)
                   .leftJustified(12)
            << "  " << printable(package.signature) << "  " << firstLine(package.report.comments)
            << '\n';
    }
}

void writeGroupsText(QTextStream& out, const QList<CrashGroup>& groups)
{
    for (const CrashGroup& group : groups)
        out << orDash(group.device).leftJustified(7) << "  "
            << orDash(group.version).leftJustified(12) << "  "
            << QString::number(group.count).rightJustified(5) << "  "
            << group.first.toString(Qt::ISODate).leftJustified(19) << "  "
            << group.last.toString(Qt::ISODate).leftJustified(19) << "  "
            << printable(group.serials.join(QStringLiteral(", "))) << '\n';
}

QString triageText(const GroupTriage& triage)
{
    const QString text = QStringLiteral("#%1 %2").arg(triage.id).arg(triageStateName(triage.state));
    if (triage.state == TriageState::Fixed)
        return text + QStringLiteral(" in %1").arg(triage.fixedIn);
    if (triage.state == TriageState::Regressed)
        return text + QStringLiteral(" (fixed in %1)").arg(triage.fixedIn);
    return text;
}

void writeSignatureGroupsText(QTextStream& out, const QList<SignatureGroup>& groups)
{
    for (const SignatureGroup& group : groups) {
        out << QString::number(group.count).rightJustified(5) << "  "
            << group.first.toString(Qt::ISODate).leftJustified(19) << "  "
            << group.last.toString(Qt::ISODate).leftJustified(19) << "  "
            << printable(group.signature) << '\n';
        out << "       " << printable(triageText(group.triage)) << "; "
            << printable(group.versions.join(QStringLiteral(", "))) << "; "
            << printable(group.devices.join(QStringLiteral(", "))) << "; "
            << printable(group.serials.join(QStringLiteral(", "))) << '\n';
        if (!group.triage.note.isEmpty())
            out << "       " << printable(group.triage.note) << '\n';
    }
}

QByteArray jsonText(const QJsonValue& value)
{
    const QJsonDocument document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    return document.toJson(QJsonDocument::Indented);
}
