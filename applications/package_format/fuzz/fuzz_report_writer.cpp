// libFuzzer target: whatever the comments, the output log, the serial number and the platform
// hold, report.xml is well-formed and a second parser (libxml2) reads back each text as the
// writer mended it; our own reader reads back the whole document as mended.
#include "package_format/report_reader.h"
#include "package_format/report_writer.h"
#include "package_format/xml_text.h"

#include <QBuffer>
#include <QXmlStreamWriter>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};

// The texts of the named elements, in document order.
void collect(const xmlNode* node, const char* name, QList<QByteArray>& texts)
{
    for (; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, BAD_CAST name)) {
            xmlChar* content = xmlNodeGetContent(node);
            texts << QByteArray(reinterpret_cast<const char*>(content));
            xmlFree(content);
        }
        collect(node->children, name, texts);
    }
}

// The fuzzer's bytes as UTF-16 code units, unpaired surrogates and all; three fields whose
// lengths the first three units give, the rest split into two output lines.
QStringList fields(const std::uint8_t* data, std::size_t size)
{
    const QString units(reinterpret_cast<const QChar*>(data), qsizetype(size / 2));
    QStringList result;
    qsizetype at = 3;
    for (qsizetype field = 0; field < 3; ++field) {
        const qsizetype length =
            units.size() > field ? units.at(field).unicode() % (units.size() + 1) : 0;
        result << units.mid(at, length);
        at = std::min(units.size(), at + length);
    }
    const QString rest = units.mid(at);
    result << rest.left(rest.size() / 2) << rest.mid(rest.size() / 2);
    return result;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QStringList texts = fields(data, size);
    ReportDocument report;
    report.application = ReportDocument::Application{QStringLiteral("Q5-PC"), texts.at(1),
                                                     QStringLiteral("6.4.0"), texts.at(2)};
    report.outputLog = texts.mid(3);
    report.comments = texts.at(0);
    const QStringList& outputLog = report.outputLog;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeReportDocument(*makeReportWriter(), &buffer, report);

    const std::unique_ptr<xmlDoc, DocumentDeleter> document(
        xmlReadMemory(buffer.data().constData(), int(buffer.size()), "report.xml", nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    check(document != nullptr);
    const xmlNode* root = xmlDocGetRootElement(document.get());
    const auto readBack = [&](const char* element) {
        QList<QByteArray> found;
        collect(root, element, found);
        return found;
    };
    check(readBack("Comments") == QList<QByteArray>{xmlSafeText(texts.at(0)).toUtf8()});
    check(readBack("Serial") == QList<QByteArray>{xmlSafeText(texts.at(1)).toUtf8()});
    check(readBack("Platform") == QList<QByteArray>{xmlSafeText(texts.at(2)).toUtf8()});
    check(readBack("Entry") == QList<QByteArray>{xmlSafeText(outputLog.at(0)).toUtf8(),
                                                 xmlSafeText(outputLog.at(1)).toUtf8()});

    ReportDocument mended = report;
    mended.application->serial = xmlSafeText(texts.at(1));
    mended.application->platform = xmlSafeText(texts.at(2));
    mended.comments = xmlSafeText(texts.at(0));
    for (QString& line : mended.outputLog)
        line = xmlSafeText(line);
    check(readReportDocument(buffer.data()).document == mended);
    return 0;
}
