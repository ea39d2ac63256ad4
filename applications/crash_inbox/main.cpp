#include "crash_inbox/cli/command_line.h"
#include "crash_inbox/cli/platform/window_program.h"
#include "crash_inbox/cli/window_command_line.h"
#include "crash_inbox/text/printable.h"
#include "q5_suite/suite_identity.h"

#include <QCoreApplication>
#include <QStringConverter>

#include <cstdio>

namespace {

// Qt's own warnings (a driver's, a platform plugin's) are no message of the inbox's: they reach
// the terminal only when asked for.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg || qEnvironmentVariableIsSet("Q5_CRASH_INBOX_DEBUG"))
        std::fprintf(stderr, "%s\n", qPrintable(printable(message)));
}

} // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler(quietQtMessages);
    QStringList arguments;
    for (int at = 0; at < argc; ++at)
        arguments << QString::fromLocal8Bit(argv[at]);
    if (WindowCommandLine::parse(arguments))
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
