#include "report_reader.h"

#include "report_elements.h"

#include <QSet>
#include <QXmlStreamReader>

namespace {

// The report's own elements: in no namespace, as the writer writes them, or in the report's,
// as a document with a default namespace puts them. What counts is the namespace, not its prefix.
bool isElement(const QXmlStreamReader& reader, const char* name)
{
    return (reader.namespaceUri().isEmpty() ||
            reader.namespaceUri() == ReportElements::namespaceUri()) &&
           reader.name() == QLatin1String(name);
}

// Sections of which a report has one: a second would silently replace the first.
class Sections
{
public:
    bool once(const char* name)
    {
        if (m_seen.contains(QLatin1String(name))) {
            m_problem = QStringLiteral("its report.xml has more than one %1 element")
                            .arg(QLatin1String(name));
            return false;
        }
        m_seen.insert(QLatin1String(name));
        return true;
    }
    QString problem() const { return m_problem; }

private:
    QSet<QString> m_seen;
    QString m_problem;
};

// No element of a report carries more than a namespace or two; a start tag with thousands of
// attributes costs Qt's reader time that grows with their square, so it is refused before.
constexpr int MaximumAttributes = 64;

bool hasTooManyAttributes(const QByteArray& xml)
{
    enum { Text, Tag, Quoted, Markup } state = Text;
    char quote = 0;
    int attributes = 0;
    for (qsizetype at = 0; at < xml.size(); ++at) {
        const char c = xml.at(at);
        switch (state) {
        case Text:
            if (c == '<') {
                const char next = at + 1 < xml.size() ? xml.at(at + 1) : 0;
                state = next == '!' || next == '?' ? Markup : Tag;
                attributes = 0;
            }
            break;
        case Markup:
            if (c == '>')
                state = Text;
            break;
        case Tag:
            if (c == '"' || c == '\'') {
                state = Quoted;
                quote = c;
            } else if (c == '=' && ++attributes > MaximumAttributes) {
                return true;
            } else if (c == '>') {
                state = Text;
            }
            break;
        case Quoted:
            if (c == quote)
                state = Tag;
            break;
        }
    }
    return false;
}

// The element's text; child elements inside it are skipped.
QString text(QXmlStreamReader& reader)
{
    return reader.readElementText(QXmlStreamReader::SkipChildElements);
}

bool readApplication(QXmlStreamReader& reader, ReportDocument::Application& application,
                     Sections& sections)
{
    while (reader.readNextStartElement()) {
        const auto field = [&](const char* name, auto& value) {
            if (!isElement(reader, name))
                return false;
            if (sections.once(name))
                value = text(reader);
            return true;
        };
        if (!field(ReportElements::Device, application.device) &&
            !field(ReportElements::Serial, application.serial) &&
            !field(ReportElements::Version, application.version) &&
            !field(ReportElements::Platform, application.platform))
            reader.skipCurrentElement();
        if (!sections.problem().isEmpty())
            return false;
    }
    return true;
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

QString readChildren(QXmlStreamReader& reader, ReportDocument& document)
{
    Sections sections;
    Sections fields;
    const auto once = [&](const char* name) {
        return isElement(reader, name) && sections.once(name);
    };
    while (reader.readNextStartElement()) {
        for (const char* name :
             {ReportElements::Date, ReportElements::Time, ReportElements::Application,
              ReportElements::OutputLog, ReportElements::Comments})
            if (isElement(reader, name) && !once(name))
                return sections.problem();
        if (isElement(reader, ReportElements::Date)) {
            const QString date = text(reader);
            document.date = QDate::fromString(date, QLatin1String(ReportElements::DateFormat));
            document.unreadDate = document.date.isValid() ? QString() : date;
        } else if (isElement(reader, ReportElements::Time)) {
            const QString time = text(reader);
            document.time = QTime::fromString(time, QLatin1String(ReportElements::TimeFormat));
            document.unreadTime = document.time.isValid() ? QString() : time;
        } else if (isElement(reader, ReportElements::Application)) {
            if (!readApplication(reader, document.application.emplace(), fields))
                return fields.problem();
        } else if (isElement(reader, ReportElements::OutputLog)) {
            readOutputLog(reader, document.outputLog);
        } else if (isElement(reader, ReportElements::Comments)) {
            document.comments = text(reader);
        } else {
            reader.skipCurrentElement();
        }
    }
    return {};
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
    if (hasTooManyAttributes(xml))
        return {std::nullopt, QStringLiteral("its report.xml has an element with more attributes "
                                             "than any crash report has")};
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
    if (const QString problem = readChildren(reader, document); !problem.isEmpty())
        return {std::nullopt, problem};
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        return {std::nullopt, notWellFormed(reader)};
    return {document, {}};
}
