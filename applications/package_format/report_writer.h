#pragma once

#include "report_document.h"

#include <memory>

class QIODevice;
class QXmlStreamWriter;

// Auto-formatting with four blanks per level, no device yet.
std::unique_ptr<QXmlStreamWriter> makeReportWriter();

// Writes the whole document to the device, which must be open for writing. Texts XML cannot
// carry are mended first (xmlSafeText); a carriage return survives as &#13;.
void writeReportDocument(QXmlStreamWriter& writer, QIODevice* device,
                         const ReportDocument& document);
