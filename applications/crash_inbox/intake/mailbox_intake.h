#pragma once

#include <QString>

#include <chrono>

class ImapMailbox;
class InboxDatabase;
class PackageFiler;

// Files the packages attached to the messages of a mail server's mailbox that were not fetched
// before. Each message is kept as a file of the desk's, "<mail folder>/<the mailbox's address,
// percent-encoded>/<UIDVALIDITY>-<UID>.eml", filed as mail is, and noted as fetched once filed:
// each is fetched once, and one that a failure cut short is fetched again. False, with the
// reason, when the server or the database fails.
bool fileMailbox(ImapMailbox& mailbox, InboxDatabase& database, PackageFiler& filer,
                 const QString& mailFolder, QString& error);

// The same, then again after each pause until the process is ended. A server that cannot be
// reached is tried again after the pause; only the database's failure ends it (false).
bool watchMailbox(ImapMailbox& mailbox, InboxDatabase& database, PackageFiler& filer,
                  const QString& mailFolder, std::chrono::seconds pause, QString& error);

// Where the desk keeps the messages it fetched: in its data folder, beside the database.
QString defaultMailFolder();
