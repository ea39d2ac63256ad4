#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <QTextStream>

#include <memory>
#include <optional>

class InboxDatabase;

// What every command gets: its own arguments, the database it works on, and the streams.
struct CommandContext {
    QStringList arguments; // the command's name first, then its arguments
    QString databaseText;
    QTextStream& out;
    QTextStream& err;

    // Exit status 2, with the message.
    int usageError(const QString& message) const;
    // The message on standard error, escaped for the terminal; the status given.
    int failure(const QString& message, int status) const;
    // Parses the command's arguments with its own help; returns the exit status when the
    // command should end at once (after --help, or a usage error), none to go on.
    std::optional<int> parse(QCommandLineParser& parser, const QString& synopsis,
                             const QString& description) const;
    // Null after saying why on standard error.
    std::unique_ptr<InboxDatabase> openDatabase() const;
};

// q5-crash-inbox [--database URL] COMMAND [ARGUMENTS]; the exit status.
int runCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err);

int runAdd(const CommandContext& context);
int runList(const CommandContext& context);
int runShow(const CommandContext& context);
int runGroups(const CommandContext& context);
int runGroup(const CommandContext& context);
int runExtract(const CommandContext& context);
int runSymbols(const CommandContext& context);
int runToken(const CommandContext& context);
int runServe(const CommandContext& context);
