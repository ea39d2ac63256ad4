#include "report_reader.h"

#include "report_elements.h"

#include <QXmlStreamReader>

namespace {

bool isElement(const QXmlStreamReader& reader, const char* name)
{
    return reader.namespaceUri().isEmpty() && reader.name() == QLatin1String(name);
}

// The element's text; child elements inside it are skipped.
QString text(QXmlStreamReader& reader)
{
    return reader.readElementText(QXmlStreamReader::SkipChildElements);
}

void readApplication(QXmlStreamReader& reader, ReportDocument::Application& application)
{
    while (reader.readNextStartElement()) {
        if (isElement(reader, ReportElements::Device))
            application.device = text(reader);
        else if (isElement(reader, ReportElements::Serial))
            application.serial = text(reader);
        else if (isElement(reader, ReportElements::Version))
            application.version = text(reader);
        else if (isElement(reader, ReportElements::Platform))
            application.platform = text(reader);
        else
            reader.skipCurrentElement();
    }
}

void readOutputLog(QXmlStreamReader& reader, QStringList& lines)
{
    while (reader.readNextStartElement()) {
        if (isElement(reader, ReportElements::Entry))
            lines << text(reader);
        else
            reader.skipCurrentElement();
    }
}

void readChildren(QXmlStreamReader& reader, ReportDocument& document)
{
    while (reader.readNextStartElement()) {
        if (isElement(reader, ReportElements::Date)) {
            document.date =
                QDate::fromString(text(reader), QLatin1String(ReportElements::DateFormat));
        } else if (isElement(reader, ReportElements::Time)) {
            document.time =
                QTime::fromString(text(reader), QLatin1String(ReportElements::TimeFormat));
        } else if (isElement(reader, ReportElements::Application)) {
            readApplication(reader, document.application.emplace());
        } else if (isElement(reader, ReportElements::OutputLog)) {
            readOutputLog(reader, document.outputLog);
        } else if (isElement(reader, ReportElements::Comments)) {
            document.comments = text(reader);
        } else {
            reader.skipCurrentElement();
        }
    }
}

QString notWellFormed(const QXmlStreamReader& reader)
{
    return QStringLiteral("its report.xml is not well-formed XML (line %1: %2)")
        .arg(reader.lineNumber())
        .arg(reader.errorString());
}

} // namespace

ReportReading readReportDocument(const QByteArray& xml)
{
    QXmlStreamReader reader(xml);
    // Nothing in a crash report needs entities; none are expanded.
    reader.setEntityExpansionLimit(0);
    while (!reader.atEnd() && reader.readNext() != QXmlStreamReader::StartElement) {
        if (reader.tokenType() == QXmlStreamReader::DTD)
            return {std::nullopt, QStringLiteral("its report.xml declares a document type, which "
                                                 "a crash report never does")};
    }
    if (reader.hasError())
        return {std::nullopt, notWellFormed(reader)};
    if (reader.tokenType() != QXmlStreamReader::StartElement ||
        reader.name() != QLatin1String(ReportElements::Root) ||
        reader.namespaceUri() != ReportElements::namespaceUri())
        return {std::nullopt, QStringLiteral("its report.xml is not a Q5 crash report")};
    ReportDocument document;
    readChildren(reader, document);
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        return {std::nullopt, notWellFormed(reader)};
    return {document, {}};
}
