#include "program_start.h"

#include "crash_inbox/text/printable.h"

#include <cstdio>

void quietQtMessages()
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg || qEnvironmentVariableIsSet("Q5_CRASH_INBOX_DEBUG"))
            std::fprintf(stderr, "%s\n", qPrintable(printable(message)));
    });
}

QStringList programArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int at = 0; at < argc; ++at)
        arguments << QString::fromLocal8Bit(argv[at]);
    return arguments;
}
