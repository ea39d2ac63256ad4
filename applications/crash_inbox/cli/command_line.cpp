#include "command_line.h"

#include "crash_inbox/cli/platform/terminal.h"
#include "crash_inbox/store/database_wait.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/text/printable.h"

#include <QRegularExpression>

namespace {

constexpr char Usage[] = R"(Usage: q5-crash-inbox [--database URL] COMMAND [ARGUMENTS]

The service department's crash inbox: files the Q5 crash packages (.cdp) that come by e-mail
or on USB sticks, reads where each crashed from its dump, finds them again and groups them
by their cause.

Commands:
  add PATH...           file packages, folders of them, Maildir folders and mbox files
  list                  the filed packages, newest crash first
  show ID|FILE          a package's report, crash and entries
  groups                the crashes by signature (or --by version), --state to pick
  group SIGNATURE|ID    a crash group; --state, --fixed-in, --note set its triage
  extract ID|FILE DIR   write a package's entries into a folder
  symbols add FILE...   keep symbol files, which name the functions and lines of crashes
  symbols list          the symbol files kept
  serve                 the collector: files packages that consoles send over HTTPS
  token add|list|revoke the collector's tokens, one per console or site

Options:
  --database URL   a SQLite file, sqlite:PATH, or a PostgreSQL URL
                   (postgresql://user@host:port/db, ?host=/socket/folder for a local socket);
                   else $Q5_CRASH_INBOX_DATABASE, else the desk's own SQLite file
  -h, --help       this text; "q5-crash-inbox COMMAND --help" tells about a command

A database that another program holds is waited for 30 seconds
($Q5_CRASH_INBOX_BUSY_SECONDS), then given up. Exit status 2 on a usage or database error.
)";

using Command = int (*)(const CommandContext&);

Command commandNamed(const QString& name)
{
    if (name == QLatin1String("add"))
        return runAdd;
    if (name == QLatin1String("list"))
        return runList;
    if (name == QLatin1String("show"))
        return runShow;
    if (name == QLatin1String("groups"))
        return runGroups;
    if (name == QLatin1String("group"))
        return runGroup;
    if (name == QLatin1String("extract"))
        return runExtract;
    if (name == QLatin1String("symbols"))
        return runSymbols;
    if (name == QLatin1String("token"))
        return runToken;
    if (name == QLatin1String("serve"))
        return runServe;
    return nullptr;
}

} // namespace

int CommandContext::usageError(const QString& message) const
{
    return failure(message, 2);
}

int CommandContext::failure(const QString& message, int status) const
{
    err << "q5-crash-inbox: " << printable(message) << Qt::endl;
    return status;
}

std::optional<int> CommandContext::parse(QCommandLineParser& parser, const QString& synopsis,
                                         const QString& description) const
{
    parser.setApplicationDescription(description);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Tells about this command."));
    parser.addOption(help);
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(QRegularExpression(QStringLiteral("^Usage: [^\n]*")),
                     QStringLiteral("Usage: q5-crash-inbox [--database URL] ") + synopsis);
        out << text;
        return 0;
    }
    return std::nullopt;
}

std::unique_ptr<InboxDatabase> CommandContext::openDatabase() const
{
    QString error;
    const std::optional<DatabaseLocation> location = parseDatabaseLocation(databaseText, error);
    const DatabaseWait wait(QStringLiteral("the database to open"));
    std::unique_ptr<InboxDatabase> database =
        location ? InboxDatabase::open(*location, error) : nullptr;
    if (!database)
        failure(error, 2);
    return database;
}

int runCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    // On a terminal a long wait for the database is said, as it happens.
    if (CrashInbox::Platform::standardErrorIsTerminal())
        DatabaseWait::setListener(logLine);
    QCommandLineParser parser;
    // The options before the command are the inbox's; from the command on, the words are its own.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption database(QStringLiteral("database"), QStringLiteral("The database."),
                                      QStringLiteral("URL"), defaultDatabaseText());
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("This text."));
    parser.addOptions({database, help});
    if (!parser.parse(arguments)) {
        err << "q5-crash-inbox: " << printable(parser.errorText()) << Qt::endl;
        return 2;
    }
    if (parser.isSet(help)) {
        out << Usage;
        return 0;
    }
    const CommandContext context{parser.positionalArguments(), parser.value(database), out, err};
    if (context.arguments.isEmpty()) {
        err << Usage;
        return 2;
    }
    const Command command = commandNamed(context.arguments.constFirst());
    if (!command)
        return context.usageError(QStringLiteral("%1 is no command; see q5-crash-inbox --help")
                                      .arg(context.arguments.constFirst()));
    return command(context);
}
