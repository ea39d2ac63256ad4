#include "cli/command_line.h"
#include "window/inbox_application.h"

#include <QCoreApplication>
#include <QStringConverter>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (wantsInboxWindow(argc, argv))
        return runInboxWindow(argc, argv);
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Varnel Professional"));
    QCoreApplication::setApplicationName(QStringLiteral("Varnel Crash Inbox"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    const int status = runCommandLine(QCoreApplication::arguments(), out, err);
    out.flush();
    err.flush();
    return status;
}
