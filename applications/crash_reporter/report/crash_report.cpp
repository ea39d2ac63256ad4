#include "crash_report.h"

#include "package_format/report_writer.h"
#include "q5_suite/suite_identity.h"

#include <QSysInfo>
#include <QXmlStreamWriter>

ReportDocument reportDocument(const CrashReport& report)
{
    ReportDocument document;
    document.date = report.crashTime.date();
    document.time = report.crashTime.time();
    if (report.record) {
        ReportDocument::Application& application = document.application.emplace();
        if (report.record->productModel)
            application.device = productModelName(*report.record->productModel);
        application.serial = report.record->serialNumber;
        application.version = Orrery::versionString<QString>(report.record->version, true);
        application.platform = report.platform.value_or(QSysInfo::prettyProductName());
    }
    document.outputLog = report.outputLog;
    document.comments = report.comments;
    return document;
}

void writeCrashReport(QXmlStreamWriter& writer, QIODevice* device, const CrashReport& report)
{
    writeReportDocument(writer, device, reportDocument(report));
}
