#include "inbox_application.h"

#include "crash_inbox/store/database_location.h"
#include "crash_inbox/store/inbox_database.h"
#include "inbox_window.h"
#include "q5_suite/suite_identity.h"
#include "stall_meter.h"
#include "tessera/application/application.h"
#include "tessera/application/platform/display_platforms.h"

#include <QApplication>
#include <QElapsedTimer>
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
    {
        m_sinceStart.start();
    }

    QString databaseText;
    QStringList files;
    bool reportTimings = false;
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
        if (reportTimings) {
            QObject::connect(m_window, &InboxWindow::listingShown, m_window,
                             [this](qint64 count, qint64 msAfterChange) {
                                 std::fprintf(stderr,
                                              "listed %lld packages %lld ms after the change, "
                                              "%lld ms after the start\n",
                                              static_cast<long long>(count),
                                              static_cast<long long>(msAfterChange),
                                              static_cast<long long>(m_sinceStart.elapsed()));
                             });
            QObject::connect(m_window, &InboxWindow::rowsFetched, m_window,
                             [](qint64 offset, qint64 msAfterMissed) {
                                 std::fprintf(stderr,
                                              "fetched rows from %lld %lld ms after they "
                                              "were missed\n",
                                              static_cast<long long>(offset),
                                              static_cast<long long>(msAfterMissed));
                             });
        }
        m_window->show();
        m_window->openFiles(files);
    }

private:
    QPointer<InboxWindow> m_window;
    QElapsedTimer m_sinceStart;
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

int runInboxWindow(int& argc, char** argv, const WindowCommandLine& commandLine)
{
    if (commandLine.help) {
        std::fputs(WindowUsage, stdout);
        return 0;
    }
    if (!commandLine.error.isEmpty()) {
        std::fprintf(stderr, "q5-crash-inbox: %s\n", qPrintable(commandLine.error));
        return 2;
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
    application.databaseText = commandLine.databaseText;
    application.files = commandLine.files;
    application.reportTimings = commandLine.reportStalls;
    application.setThemeMode(themeNamed(commandLine.themeName));
    const StallMeter stalls;
    const int status = QApplication::exec();
    if (commandLine.reportStalls)
        std::fprintf(stderr, "longest stall: %lld ms\n",
                     static_cast<long long>(stalls.longestGapMs()));
    return status == 0 ? application.status : status;
}
