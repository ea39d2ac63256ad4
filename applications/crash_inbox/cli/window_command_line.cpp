#include "window_command_line.h"

#include "crash_inbox/store/database_location.h"

#include <QCommandLineParser>

namespace {

const QCommandLineOption& helpOption()
{
    static const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                         QStringLiteral("This text."));
    return help;
}

// The files to open, and --help among them; "--" ends the options, so a file may start with "-".
void readOpenWords(const QStringList& openWords, WindowCommandLine& line)
{
    QCommandLineParser parser;
    parser.addOption(helpOption());
    if (!parser.parse(openWords))
        line.error = parser.errorText();
    line.help = line.help || parser.isSet(helpOption());
    line.files = parser.positionalArguments();
}

} // namespace

std::optional<WindowCommandLine> WindowCommandLine::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption database(QStringLiteral("database"), QStringLiteral("The database."),
                                      QStringLiteral("URL"), defaultDatabaseText());
    const QCommandLineOption theme(QStringLiteral("theme"), QStringLiteral("The theme."),
                                   QStringLiteral("THEME"), QStringLiteral("system"));
    const QCommandLineOption reportStalls(
        QStringLiteral("report-stalls"),
        QStringLiteral("The longest stall at the end, and when each listing showed."));
    parser.addOptions({database, theme, reportStalls, helpOption()});
    if (!parser.parse(arguments))
        return std::nullopt;
    WindowCommandLine line;
    line.help = parser.isSet(helpOption());
    const QStringList words = parser.positionalArguments();
    // Plain --help is the commands' overview; the window's own is "open --help".
    if (words.isEmpty() && line.help)
        return std::nullopt;
    if (!words.isEmpty() && words.constFirst() != QLatin1String("open"))
        return std::nullopt;
    if (!words.isEmpty())
        readOpenWords(words, line);
    line.databaseText = parser.value(database);
    line.themeName = parser.value(theme);
    line.reportStalls = parser.isSet(reportStalls);
    return line;
}
