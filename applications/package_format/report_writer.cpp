#include "report_writer.h"

#include "report_elements.h"
#include "xml_text.h"

#include <QXmlStreamWriter>

namespace {

constexpr int IndentBlanks = 4;

// A carriage return written as it is would come back as a line feed from any XML parser, so
// it goes out as the character reference &#13;.
void writeText(QXmlStreamWriter& writer, const char* element, const QString& text)
{
    writer.writeStartElement(QLatin1String(element));
    const QStringList pieces = xmlSafeText(text).split(QLatin1Char('\r'));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            writer.writeEntityReference(QStringLiteral("#13"));
        writer.writeCharacters(pieces.at(i));
    }
    writer.writeEndElement();
}

void writeApplication(QXmlStreamWriter& writer, const ReportDocument::Application& application)
{
    writer.writeStartElement(QLatin1String(ReportElements::Application));
    if (application.device)
        writeText(writer, ReportElements::Device, *application.device);
    writeText(writer, ReportElements::Serial, application.serial);
    writeText(writer, ReportElements::Version, application.version);
    writeText(writer, ReportElements::Platform, application.platform);
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

void writeReportDocument(QXmlStreamWriter& writer, QIODevice* device,
                         const ReportDocument& document)
{
    writer.setDevice(device);
    writer.writeStartDocument();
    writer.writeStartElement(ReportElements::namespaceUri(), QLatin1String(ReportElements::Root));
    writeText(writer, ReportElements::Date,
              document.date.toString(QLatin1String(ReportElements::DateFormat)));
    writeText(writer, ReportElements::Time,
              document.time.toString(QLatin1String(ReportElements::TimeFormat)));
    if (document.application)
        writeApplication(writer, *document.application);

    writer.writeStartElement(QLatin1String(ReportElements::OutputLog));
    for (const QString& line : document.outputLog)
        writeText(writer, ReportElements::Entry, line);
    writer.writeEndElement();

    writeText(writer, ReportElements::Comments, document.comments);
    writer.writeEndElement();
    writer.writeEndDocument();
}
