#pragma once

#include "channel/crash_record.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>
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

// Auto-formatting with four blanks per level, no device yet.
std::unique_ptr<QXmlStreamWriter> makeReportWriter();

// Writes the whole document to the device, which must be open for writing.
void writeCrashReport(QXmlStreamWriter& writer, QIODevice* device, const CrashReport& report);

void writeApplicationInfo(QXmlStreamWriter& writer, const CrashRecord& record,
                          const QString& platform);
