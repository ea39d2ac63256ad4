#include "command_line.h"

#include "crash_inbox/intake/folder_watch.h"
#include "crash_inbox/intake/imap_mailbox.h"
#include "crash_inbox/intake/mailbox_intake.h"
#include "crash_inbox/intake/package_filer.h"
#include "crash_inbox/intake/package_sources.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"
#include "crash_inbox/text/printable.h"
#include "filing_report.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The mail server's password: from the file named, else from the environment; never from the
// command line, where every user of the machine could read it.
std::optional<QByteArray> imapPassword(const QString& file, QString& error)
{
    if (file.isEmpty()) {
        const QByteArray password = qgetenv("Q5_CRASH_INBOX_IMAP_PASSWORD");
        if (password.isEmpty())
            error = QStringLiteral("the mail server's password is needed: --password-file FILE "
                                   "or Q5_CRASH_INBOX_IMAP_PASSWORD");
        else
            return password;
        return std::nullopt;
    }
    QFile source(file);
    if (!source.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1 cannot be read (%2)").arg(file, source.errorString());
        return std::nullopt;
    }
    // The first line, as an editor leaves it.
    return source.read(4096).split('\n').constFirst().trimmed();
}

struct MailServer {
    std::vector<std::unique_ptr<ImapMailbox>> mailboxes;
    std::unique_ptr<ImapMailbox> watched;
};

// The mailboxes named among the paths, and the watched one; a usage error's text else.
std::optional<MailServer> mailServer(const QStringList& addresses, const QString& watched,
                                     const QString& passwordFile, QString& error)
{
    MailServer server;
    if (addresses.isEmpty() && watched.isEmpty())
        return server;
    const std::optional<QByteArray> password = imapPassword(passwordFile, error);
    if (!password)
        return std::nullopt;
    const QString authorities = qEnvironmentVariable("Q5_CRASH_INBOX_IMAP_CA");
    const auto open = [&](const QString& text) -> std::unique_ptr<ImapMailbox> {
        const std::optional<ImapAddress> address = ImapAddress::parse(text, error);
        if (!address)
            return nullptr;
        return std::make_unique<ImapMailbox>(*address, *password, authorities);
    };
    for (const QString& text : addresses) {
        server.mailboxes.push_back(open(text));
        if (!server.mailboxes.back())
            return std::nullopt;
    }
    if (!watched.isEmpty() && !(server.watched = open(watched)))
        return std::nullopt;
    return server;
}

} // namespace

int runAdd(const CommandContext& context)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("PATH"),
                                 QStringLiteral("A package, a folder searched through for *.cdp, "
                                                "a Maildir folder or an mbox file."),
                                 QStringLiteral("PATH..."));
    const QCommandLineOption watch(
        QStringLiteral("watch"),
        QStringLiteral("Then keeps filing the packages in DIR, and those that appear there, "
                       "once complete."),
        QStringLiteral("DIR"));
    parser.addOption(watch);
    const QCommandLineOption passwordFile(
        QStringLiteral("password-file"),
        QStringLiteral("The mail server's password, for imaps:// mailboxes (else "
                       "$Q5_CRASH_INBOX_IMAP_PASSWORD)."),
        QStringLiteral("FILE"));
    const QCommandLineOption pause(QStringLiteral("poll-seconds"),
                                   QStringLiteral("How often a watched mailbox is looked at (60)."),
                                   QStringLiteral("SECONDS"), QStringLiteral("60"));
    parser.addOptions({passwordFile, pause});
    if (const auto status = context.parse(
            parser,
            QStringLiteral("add [--watch DIR|MAILBOX] [--password-file FILE] [PATH|MAILBOX...]"),
            QStringLiteral("Files crash packages: one line each, \"added ID PATH\", \"known ID "
                           "PATH\" (the same content was filed before) or \"rejected PATH: "
                           "REASON\". A MAILBOX, imaps://USER@HOST[:PORT]/NAME, is a mailbox "
                           "on the department's mail server: the packages attached to its "
                           "messages are filed, each message once, and the messages are left "
                           "as they are ($Q5_CRASH_INBOX_IMAP_CA: a PEM file of authorities "
                           "for its certificate). Exit status 0 when nothing was rejected, 1 "
                           "when something was, 2 on a usage or database error.")))
        return *status;
    // The watched folder's packages, those there already included, are filed as they settle.
    if (parser.positionalArguments().isEmpty() && !parser.isSet(watch))
        return context.usageError(QStringLiteral("add needs a PATH"));
    QStringList paths;
    QStringList addresses;
    for (const QString& argument : parser.positionalArguments())
        (ImapAddress::looksLikeOne(argument) ? addresses : paths) << argument;
    const QString watchedMailbox =
        ImapAddress::looksLikeOne(parser.value(watch)) ? parser.value(watch) : QString();
    QString error;
    std::optional<MailServer> server =
        mailServer(addresses, watchedMailbox, parser.value(passwordFile), error);
    if (!server)
        return context.usageError(error);
    bool pauseOk = false;
    const int pauseSeconds = parser.value(pause).toInt(&pauseOk);
    if (!pauseOk || pauseSeconds <= 0)
        return context.usageError(QStringLiteral("--poll-seconds needs a number"));
    if (parser.isSet(watch) && watchedMailbox.isEmpty() && !QFileInfo(parser.value(watch)).isDir())
        return context.usageError(
            QStringLiteral("%1 is not a folder to watch").arg(printable(parser.value(watch))));
    const std::unique_ptr<InboxDatabase> database = context.openDatabase();
    if (!database)
        return 2;
    PackageStore store(*database);
    const QList<PackageSource> sources = packageSources(paths);
    FilingReport report(context.out);
    PackageFiler filer(store, report, sources.size());
    filer.addSources(sources);
    for (const auto& mailbox : server->mailboxes) {
        if (filer.failed())
            break;
        if (!fileMailbox(*mailbox, *database, filer, defaultMailFolder(), error) && !filer.failed())
            return context.failure(error, 2);
    }
    if (!filer.failed() && server->watched) {
        if (!watchMailbox(*server->watched, *database, filer, defaultMailFolder(),
                          std::chrono::seconds(pauseSeconds), error) &&
            !filer.failed())
            return context.failure(error, 2);
    } else if (!filer.failed() && parser.isSet(watch) &&
               !watchFolder(parser.value(watch), filer, context.err) && !filer.failed()) {
        return 2;
    }
    if (filer.failed())
        return context.failure(filer.error(), 2);
    return report.rejected() > 0 ? 1 : 0;
}
