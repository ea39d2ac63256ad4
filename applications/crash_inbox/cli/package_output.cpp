#include "package_output.h"

#include "text/printable.h"

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

} // namespace

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
    return object;
}

QJsonObject packageListJson(const FiledPackage& package)
{
    QJsonObject object{{QStringLiteral("id"), package.id},
                       {QStringLiteral("sha256"), QString::fromLatin1(package.sha256)},
                       {QStringLiteral("date"), dateOf(package.report)},
                       {QStringLiteral("time"), timeOf(package.report)},
                       {QStringLiteral("comments"), package.report.comments}};
    addApplication(object, package.report, false);
    return object;
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
    if (!package.mailSender.isEmpty())
        row("Mailed by",
            package.mailSender + QLatin1Char(' ') + package.mailDate.toString(Qt::ISODate));
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
            << "  " << firstLine(package.report.comments) << '\n';
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

QByteArray jsonText(const QJsonValue& value)
{
    const QJsonDocument document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    return document.toJson(QJsonDocument::Indented);
}
