#include "command_line.h"

#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/upload_tokens.h"
#include "crash_inbox/text/printable.h"

#include <QRegularExpression>

namespace {

constexpr char Synopsis[] = "token add NAME | token list | token revoke NAME";

// Names go into logs and onto terminals: a console's or site's name, plain.
bool isTokenName(const QString& name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]{0,63}$"));
    return plain.match(name).hasMatch();
}

int addToken(const CommandContext& context, InboxDatabase& database, const QString& name)
{
    QString error;
    const std::optional<QString> token = UploadTokens::add(database.connection(), name, error);
    if (!token)
        return context.failure(error, 2);
    // Alone on its line, so that a script can take it; it is never shown again.
    context.out << *token << Qt::endl;
    return 0;
}

int listTokens(const CommandContext& context, InboxDatabase& database)
{
    QString error;
    const auto tokens = UploadTokens::list(database.connection(), error);
    if (!tokens)
        return context.failure(error, 2);
    for (const UploadTokens::NamedToken& token : *tokens)
        context.out << printable(token.name) << "  made " << token.created.toString(Qt::ISODate)
                    << Qt::endl;
    return 0;
}

} // namespace

int runToken(const CommandContext& context)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("ACTION"), QStringLiteral("add, list or revoke."));
    parser.addPositionalArgument(QStringLiteral("NAME"),
                                 QStringLiteral("The console or site the token is for."));
    if (const auto status = context.parse(
            parser, QString::fromLatin1(Synopsis),
            QStringLiteral("The tokens with which consoles send packages to the collector "
                           "(serve). \"add\" prints the new token alone on standard output: it "
                           "is shown only this once, and the database keeps only its hash. "
                           "\"revoke\" ends a token; a running collector stops taking it within "
                           "a few seconds.")))
        return *status;
    const QStringList words = parser.positionalArguments();
    const QString action = words.value(0);
    const bool named = action == QLatin1String("add") || action == QLatin1String("revoke");
    if (!named && action != QLatin1String("list"))
        return context.usageError(QStringLiteral("token needs add, list or revoke"));
    if (words.size() != (named ? 2 : 1))
        return context.usageError(QStringLiteral("usage: ") + QString::fromLatin1(Synopsis));
    if (named && !isTokenName(words.at(1)))
        return context.usageError(QStringLiteral("%1 is no name for a token: use letters, "
                                                 "digits, '.', '_' and '-', at most 64")
                                      .arg(printable(words.at(1))));
    const std::unique_ptr<InboxDatabase> database = context.openDatabase();
    if (!database)
        return 2;
    if (action == QLatin1String("add"))
        return addToken(context, *database, words.at(1));
    if (action == QLatin1String("list"))
        return listTokens(context, *database);
    QString error;
    if (!UploadTokens::revoke(database->connection(), words.at(1), error))
        return context.failure(error, 2);
    context.out << "revoked " << words.at(1) << Qt::endl;
    return 0;
}
