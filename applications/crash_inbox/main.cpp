#include "crash_inbox/cli/command_line.h"
#include "crash_inbox/cli/platform/window_program.h"
#include "crash_inbox/cli/program_start.h"
#include "crash_inbox/cli/window_command_line.h"
#include "q5_suite/suite_identity.h"

#include <QCoreApplication>
#include <QStringConverter>

int main(int argc, char* argv[])
{
    quietQtMessages();
    if (WindowCommandLine::parse(programArguments(argc, argv)))
        return CrashInbox::Platform::runWindowProgram(argv);
    QCoreApplication application(argc, argv);
    const Orrery::ApplicationDescription description =
        describeApplication({SuiteApplication::CrashInbox, {}});
    QCoreApplication::setOrganizationName(description.organisationName);
    QCoreApplication::setApplicationName(description.applicationName);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    const int status = runCommandLine(QCoreApplication::arguments(), out, err);
    out.flush();
    err.flush();
    return status;
}
