#pragma once

#include "report_document.h"

#include <QByteArray>

#include <optional>

// A report.xml from outside, as the service desk meets it: possibly broken or hostile.
struct ReportReading {
    std::optional<ReportDocument> document;
    // Why it is no report, as a sentence about "its report.xml"; empty when it is one.
    QString problem;
};

// Larger than this, a report.xml is not read at all.
inline constexpr qint64 MaximumReportSize = 1024 * 1024;

// Reads a report written by writeReportDocument(). A document type (and with it any entity
// expansion) is refused, and so is a root that is not the crash report of the product's
// namespace; unknown elements, and elements of other namespaces, are skipped.
ReportReading readReportDocument(const QByteArray& xml);
