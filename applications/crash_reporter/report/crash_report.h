#pragma once

#include "crash_reporter/channel/crash_record.h"
#include "package_format/report_document.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;
class QXmlStreamWriter;

// What one report.xml is written from.
struct CrashReport {
    QDateTime crashTime;
    std::optional<CrashRecord> record;
    const QStringList& outputLog;
    QString comments;
    // The operating system named in the report; none: the one this program runs on.
    std::optional<QString> platform = std::nullopt;
};

// The document of the package's format: the crash time as date and time, the record's facts
// (product model name, serial number, full version) when there is a record.
ReportDocument reportDocument(const CrashReport& report);

// Writes the whole document to the device, which must be open for writing.
void writeCrashReport(QXmlStreamWriter& writer, QIODevice* device, const CrashReport& report);
