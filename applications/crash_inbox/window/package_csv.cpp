#include "package_csv.h"

#include "package_list_model.h"

#include <QStringList>

#include <algorithm>

namespace {

QString csvField(QString value)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!value.isEmpty() && formulaStarts.contains(value.front()))
        value.prepend(QLatin1Char('\''));
    static const QString quoted = QStringLiteral(",\"\r\n");
    if (std::none_of(value.cbegin(), value.cend(),
                     [](QChar character) { return quoted.contains(character); }))
        return value;
    value.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + value + QLatin1Char('"');
}

QString csvLine(const QStringList& values)
{
    QStringList fields;
    for (const QString& value : values)
        fields << csvField(value);
    return fields.join(QLatin1Char(',')) + QLatin1String("\r\n");
}

} // namespace

QByteArray csvHeader()
{
    return (QString(QChar(0xfeff)) +
            csvLine({QStringLiteral("ID"), QStringLiteral("Crashed"), QStringLiteral("Device"),
                     QStringLiteral("Serial"), QStringLiteral("Version"),
                     QStringLiteral("Signature"), QStringLiteral("File"),
                     QStringLiteral("Comments")}))
        .toUtf8();
}

QByteArray csvLineOf(const FiledPackage& package)
{
    const auto& application = package.report.application;
    return csvLine({package.id > 0 ? QString::number(package.id) : QString(),
                    crashMoment(package.report),
                    application ? application->device.value_or(QString()) : QString(),
                    application ? application->serial : QString(),
                    application ? application->version : QString(), package.signature, package.file,
                    package.report.comments})
        .toUtf8();
}
