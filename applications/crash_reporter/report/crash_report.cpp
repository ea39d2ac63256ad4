#include "crash_report.h"

#include "suite_identity.h"
#include "xml_text.h"

#include <QSysInfo>
#include <QXmlStreamWriter>

namespace {

constexpr int IndentBlanks = 4;

// A carriage return written as it is would come back as a line feed from any XML parser, so
// it goes out as the character reference &#13;.
void writeText(QXmlStreamWriter& writer, const QString& element, const QString& text)
{
    writer.writeStartElement(element);
    const QStringList pieces = xmlSafeText(text).split(QLatin1Char('\r'));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            writer.writeEntityReference(QStringLiteral("#13"));
        writer.writeCharacters(pieces.at(i));
    }
    writer.writeEndElement();
}

} // namespace

std::unique_ptr<QXmlStreamWriter> makeReportWriter()
{
    auto writer = std::make_unique<QXmlStreamWriter>();
    writer->setAutoFormatting(true);
    writer->setAutoFormattingIndent(IndentBlanks);
    return writer;
}

void writeCrashReport(QXmlStreamWriter& writer, QIODevice* device, const CrashReport& report)
{
    writer.setDevice(device);
    writer.writeStartDocument();
    writer.writeStartElement(QString::fromLatin1(Suite::ProductDomain),
                             QStringLiteral("CrashReport"));
    writeText(writer, QStringLiteral("Date"),
              report.crashTime.toString(QStringLiteral("dd/MM/yyyy")));
    writeText(writer, QStringLiteral("Time"),
              report.crashTime.toString(QStringLiteral("hh:mm:ss")));
    if (report.record)
        writeApplicationInfo(writer, *report.record,
                             report.platform.value_or(QSysInfo::prettyProductName()));

    writer.writeStartElement(QStringLiteral("OutputLog"));
    for (const QString& line : report.outputLog)
        writeText(writer, QStringLiteral("Entry"), line);
    writer.writeEndElement();

    writeText(writer, QStringLiteral("Comments"), report.comments);
    writer.writeEndElement();
    writer.writeEndDocument();
}

void writeApplicationInfo(QXmlStreamWriter& writer, const CrashRecord& record,
                          const QString& platform)
{
    writer.writeStartElement(QStringLiteral("ApplicationInfo"));
    if (record.productModel)
        writeText(writer, QStringLiteral("Device"), productModelName(*record.productModel));
    writeText(writer, QStringLiteral("Serial"), record.serialNumber);
    writeText(writer, QStringLiteral("Version"),
              Orrery::versionString<QString>(record.version, true));
    writeText(writer, QStringLiteral("Platform"), platform);
    writer.writeEndElement();
}
