#include "inbox_application.h"

#include "crash_inbox/store/database_location.h"
#include "crash_inbox/store/inbox_database.h"
#include "inbox_window.h"
#include "q5_suite/suite_identity.h"
#include "stall_meter.h"
#include "tessera/application/application.h"
#include "tessera/application/platform/display_platforms.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>

#include <cstdio>

namespace {

class InboxApplication : public Tessera::Application<QApplication>
{
public:
    InboxApplication(int& argc, char** argv)
        : Tessera::Application<QApplication>(
              argc, argv, describeApplication({SuiteApplication::CrashInbox, {}}))
    {}

    QString databaseText;
    QStringList files;
    int status = 0;

protected:
    void launched() override
    {
        QString error;
        const std::optional<DatabaseLocation> location = parseDatabaseLocation(databaseText, error);
        std::unique_ptr<InboxDatabase> database =
            location ? InboxDatabase::open(*location, error) : nullptr;
        if (!database) {
            QMessageBox::critical(nullptr, QCoreApplication::applicationName(), error);
            status = 2;
            QCoreApplication::exit(status);
            return;
        }
        m_window = new InboxWindow(std::move(database));
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        m_window->show();
        m_window->openFiles(files);
    }

private:
    QPointer<InboxWindow> m_window;
};

ThemeMode themeNamed(const QString& name)
{
    if (name == QLatin1String("light"))
        return ThemeMode::Light;
    return name == QLatin1String("dark") ? ThemeMode::Dark : ThemeMode::System;
}

} // namespace

constexpr char WindowUsage[] =
    R"(Usage: q5-crash-inbox [--database URL] [--theme dark|light|system] [open [FILE...]]

Opens the Crash Inbox window: the filed packages, their crash groups and reports. With open,
the package files are shown too (filed only when asked). It needs a display; every command
(q5-crash-inbox --help) works without one.

Options:
  --database URL   a SQLite file, sqlite:PATH, or a PostgreSQL URL
  --theme THEME    dark, light or system (the desktop's)
  -h, --help       this text
)";

bool wantsInboxWindow(int argc, char** argv)
{
    for (int at = 1; at < argc; ++at) {
        const QByteArray argument = argv[at];
        // An option without its value is the command line's to refuse.
        if ((argument == "--database" || argument == "--theme") && at + 1 == argc)
            return false;
        if (argument == "--database" || argument == "--theme")
            ++at;
        else if (!argument.startsWith("--database=") && !argument.startsWith("--theme=") &&
                 argument != "--report-stalls")
            return argument == "open";
    }
    return true;
}

int runInboxWindow(int& argc, char** argv)
{
    for (int at = 1; at < argc; ++at) {
        if (qstrcmp(argv[at], "-h") == 0 || qstrcmp(argv[at], "--help") == 0) {
            std::fputs(WindowUsage, stdout);
            return 0;
        }
    }
    // Without a display Qt would abort: the offscreen platform catches it, and then it is said.
    const bool offscreenAsked = qgetenv("QT_QPA_PLATFORM").split(';').constFirst() == "offscreen";
    Tessera::Platform::chooseDisplayPlatforms();
    InboxApplication application(argc, argv);
    if (QGuiApplication::platformName() == QLatin1String("offscreen") && !offscreenAsked) {
        std::fputs("q5-crash-inbox: there is no display to open the window on (or it does not "
                   "answer); the commands need none: q5-crash-inbox --help\n",
                   stderr);
        return 2;
    }
    QCommandLineParser parser;
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("The inbox database."), QStringLiteral("URL"),
                                      defaultDatabaseText());
    const QCommandLineOption theme(QStringLiteral("theme"),
                                   QStringLiteral("dark, light or system (the desktop's)."),
                                   QStringLiteral("THEME"), QStringLiteral("system"));
    const QCommandLineOption reportStalls(
        QStringLiteral("report-stalls"),
        QStringLiteral("At the end, the longest time the window could not answer, on stderr."));
    parser.addHelpOption();
    parser.addOptions({database, theme, reportStalls});
    parser.addPositionalArgument(QStringLiteral("open"), QStringLiteral("Opens FILE..."),
                                 QStringLiteral("[open [FILE...]]"));
    parser.process(application);
    application.databaseText = parser.value(database);
    application.files = parser.positionalArguments().mid(1);
    application.setThemeMode(themeNamed(parser.value(theme)));
    const StallMeter stalls;
    const int status = QApplication::exec();
    if (parser.isSet(reportStalls))
        std::fprintf(stderr, "longest stall: %lld ms\n",
                     static_cast<long long>(stalls.longestGapMs()));
    return status == 0 ? application.status : status;
}
