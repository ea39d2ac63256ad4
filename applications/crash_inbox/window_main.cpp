#include "crash_inbox/cli/window_command_line.h"
#include "crash_inbox/text/printable.h"
#include "crash_inbox/window/inbox_application.h"

#include <cstdio>

namespace {

void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg || qEnvironmentVariableIsSet("Q5_CRASH_INBOX_DEBUG"))
        std::fprintf(stderr, "%s\n", qPrintable(printable(message)));
}

} // namespace

// The window's program, which q5-crash-inbox runs when the window is asked for.
int main(int argc, char* argv[])
{
    qInstallMessageHandler(quietQtMessages);
    QStringList arguments;
    for (int at = 0; at < argc; ++at)
        arguments << QString::fromLocal8Bit(argv[at]);
    const std::optional<WindowCommandLine> window = WindowCommandLine::parse(arguments);
    if (!window) {
        std::fputs("q5-crash-inbox: the window takes [--database URL] [--theme THEME] "
                   "[open [FILE...]]; see q5-crash-inbox open --help\n",
                   stderr);
        return 2;
    }
    return runInboxWindow(argc, argv, *window);
}
