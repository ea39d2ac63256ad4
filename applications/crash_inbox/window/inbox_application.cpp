#include "inbox_application.h"

#include "application/application.h"
#include "inbox_window.h"
#include "stall_meter.h"
#include "store/database_location.h"
#include "store/inbox_database.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QPointer>

#include <cstdio>

namespace {

class InboxApplication : public Tessera::Application<QApplication>
{
public:
    InboxApplication(int& argc, char** argv)
        : Tessera::Application<QApplication>(argc, argv, {SuiteApplication::CrashInbox, {}})
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

bool wantsInboxWindow(int argc, char** argv)
{
    for (int at = 1; at < argc; ++at) {
        const QByteArray argument = argv[at];
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
    InboxApplication application(argc, argv);
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
